// Starting a grain: position, length, pan and gains, pitch and glissando, envelope.
// The random generator is drawn in that order, once for each randomness in use.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/fixed_point.h"
#include "controls/stream.h"
#include "engine/engine.h"

namespace kornmill {
namespace {

constexpr double kTwoPow28Inv = 1.0 / 268435456.0;
constexpr double kTwoPow20Inv = 1.0 / 1048576.0;  // grain length: rate × cur(10)² / 2^20 frames
constexpr double kTwoPow10Inv = 1.0 / 1024.0;
constexpr double kLoopUnit = 65536.0;     // loop start counts in 65536ths of the sound
constexpr double kAmpTableFrames = 100.0;  // frames per amplitude-table entry
constexpr double kAmpPoint = 0.25;        // the source amplitude a quarter into the grain
constexpr double kLengthRandomDivisor = 96.0;
constexpr double kShortLengthLimit = 100.0;  // randomised lengths below it get the length added
constexpr double kLengthModScale = 1.0 / 64;
constexpr int32_t kMinModulatedLength = 10;
constexpr int32_t kPanCenter = 4096;  // pan table index of the centre
constexpr int32_t kPanLimit = 4095;
constexpr int32_t kPanRandomCenter = 8192;
constexpr int32_t kPanUnit = 16;            // pan index steps per pan control unit
constexpr double kThresholdScale = 32768.0;  // silence: below one 16-bit step at the louder side
constexpr int32_t kModDepth = 512;           // modulation depths count in 512ths
constexpr double kSampleScale = 32767.0;
constexpr double kRateRatioUnit = 2048.0;
constexpr int32_t kPitchAmUp = 32, kPitchAmDown = 8;
constexpr int32_t kGlissRandomDivisor = 4096;
constexpr double kGlissAmUp = 1.0 / 4096, kGlissAmDown = 1.0 / 2048;
constexpr int32_t kEnvelopeUnit = 256;  // attack and decay lengths count in 256ths of the grain
constexpr uint32_t kDecayRandomDivisor = 1024;

int32_t ClampPan(int32_t p) {
  return std::clamp(p, -kPanLimit, kPanLimit);
}

// Pitch factor of the pitch control: 6144 is unit pitch, 16384 five octaves up,
// negative plays backwards.
float PitchFactor(float v) {
  if (v == 0) return 0.0f;
  const double av = std::fabs(double(v));
  const float e = static_cast<float>(av / (8192 - av / 3));
  const float x = av >= 6144 ? static_cast<float>(e - 1.0) : static_cast<float>(1 - 1 / double(e));
  const float p = static_cast<float>(std::pow(2.0, double(x)));
  return v < 0 ? -p : p;
}

// The unrandomised grain length in frames: rate × cur(10)² / 2^20.
float GrainLength(uint32_t rate, double control) {
  return static_cast<float>(double(rate) * (control * control) * kTwoPow20Inv);
}

// The source amplitude a quarter of the grain into the source, wrapped around the sound's end.
double SourceAmplitude(const Sound& snd, int32_t position, float length) {
  const double frames = snd.frame_count;
  float a = static_cast<float>(position / double(snd.position_scale_copy) + kAmpPoint * length);
  while (a > frames) a = static_cast<float>(a - frames);
  return snd.amp_table[static_cast<size_t>(Trunc(a / kAmpTableFrames))];
}

}  // namespace

Grain* Engine::StartGrain(Stream& s) {
  Grain* g = pool_.AllocGrain();
  if (!g) return nullptr;  // no free record: the onset is skipped
  Sound& snd = *s.sound;
  g->stream = &s;
  g->sound = &snd;
  g->voice_mask = 0;  // a record used before holds another grain's voice
  ++snd.live_grains;
  ++grains_started_;
  StartGrainPosition(*g, s);
  const float length = GrainLength(rate_, s.cur(kGrainLength));
  const double amp = SourceAmplitude(snd, g->position, length);
  const int32_t len = StartGrainLength(s, length, amp);
  g->remaining = len;
  g->short_flag = static_cast<uint32_t>(len) < rate_ ? 1 : 0;
  StartGrainGains(*g, s, amp);
  StartGrainPitch(*g, s, amp, len);
  StartGrainEnvelope(*g, s, len);
  return g;
}

// The start position inside the loop, with its randomness.
void Engine::StartGrainPosition(Grain& g, const Stream& s) {
  int32_t o = Trunc(s.cur(kLoopStart) * kLoopUnit);
  if (const int32_t rnd = s.val(kLoopStartRnd); rnd != 0) {
    const int32_t seed = random_.Next();
    const int32_t t = Trunc(s.loop_length * kTwoPow28Inv * double(seed >> 8));
    o = WrapAdd(o, WrapMul(WrapMul(t, rnd) >> 8, rnd) >> 4);
  }
  g.position = WrapAdd(s.loop_position, o) & kPositionMask;
}

// The length in frames: randomised, then modulated by the source amplitude.
int32_t Engine::StartGrainLength(const Stream& s, float length, double amp) {
  int32_t len = RoundEven(length);
  if (const int32_t rnd = s.val(kGrainLengthRnd); rnd != 0) {
    const uint32_t u = static_cast<uint32_t>(random_.Next());
    // q is 2^32 / L: a random fraction of the grain length.
    const uint64_t q = length > 0 ? std::max<uint64_t>(1, static_cast<uint64_t>(std::min(
                                                               4294967296.0 / length, 1e19)))
                                  : UINT64_MAX;
    float d = static_cast<float>(double(u / q) * rnd / kLengthRandomDivisor);
    if (d < kShortLengthLimit - length) d = static_cast<float>(double(d) + length);
    len = Trunc(RoundEven(length) + double(d));
  }
  if (const int32_t m = s.val(kGrainLengthAm); m < 0) {
    const double x = (1 - amp) * len * std::abs(m) * kGainScale;
    len = x > kMinModulatedLength ? Trunc(x) : kMinModulatedLength;
  } else if (m > 0) {
    len = WrapAdd(len, RoundEven(amp * length * m * kLengthModScale));
  }
  return len;
}

// Pan (randomness around the pan position, moved by the source amplitude), the
// silence threshold, the amplitude modulation and, for short grains, the amplitude.
void Engine::StartGrainGains(Grain& g, const Stream& s, double amp) {
  const uint32_t seed = static_cast<uint32_t>(random_.Next());
  int32_t p = (static_cast<int32_t>(seed >> 18) - kPanRandomCenter) * s.val(kPanRnd) / 256 +
              s.val(kPan) * kPanUnit;
  p = ClampPan(p);
  const float pm = static_cast<float>(s.val(kPanRndAm) * (amp - 0.5) * kTwoPow10Inv);
  p = ClampPan(p > 0 ? Trunc(p + double(pm)) : Trunc(p - double(pm)));
  g.left_gain = pan_[static_cast<size_t>(kPanCenter + p)];
  g.right_gain = pan_[static_cast<size_t>(kPanCenter - p)];
  g.silence_threshold =
      static_cast<float>(1 / (double(std::max(g.left_gain, g.right_gain)) * kThresholdScale));

  // Expansion (m > 0) or compression (m < 0) by the source amplitude.
  const int32_t m = s.val(kAmpAm);
  const int32_t depth = std::abs(m);
  const double w = m >= 0 ? amp : 1 - amp;
  const double wet = static_cast<float>(depth * w * kGainScale);
  const double dry_scale = static_cast<float>(kModDepth - depth);
  for (float* gain : {&g.left_gain, &g.right_gain}) {
    const float dry = static_cast<float>(dry_scale * *gain * kGainScale);
    *gain = static_cast<float>(*gain * wet + double(dry));
  }
  if (g.short_flag) {
    const double factor = Trunc(s.cur(kAmp)) * kGainScale;
    g.left_gain = static_cast<float>(g.left_gain * factor);
    g.right_gain = static_cast<float>(g.right_gain * factor);
  } else {
    // Long grains take the amplitude at every control update.
    g.base_left_gain = g.left_gain;
    g.base_right_gain = g.right_gain;
  }
}

// The increment (pitch, its randomness and modulation) and the glissando.
void Engine::StartGrainPitch(Grain& g, const Stream& s, double amp, int32_t len) {
  const Sound& snd = *g.sound;
  const double frames = snd.frame_count;
  const float P = PitchFactor(s.cur(kPitch));

  const int32_t seed = random_.Next();
  const int32_t prnd = s.val(kPitchRnd);
  const int32_t rp = WrapMul(WrapMul(seed >> 9, prnd) / snd.frame_count, prnd) / 256;

  const int32_t m = s.val(kPitchAm);
  const int32_t mp = m > 0 ? kPitchAmUp * m : kPitchAmDown * m;
  const float t = static_cast<float>(mp * (amp * kSampleScale) / frames);
  const double Q = P >= 0 ? double(P) + 1 : double(P) - 1;
  const float u = static_cast<float>(Q * t);

  const float w = static_cast<float>(double(static_cast<float>(double(P) * snd.position_scale)) +
                                     (double(rp) + u));
  const int32_t inc0 = Trunc(w * kRateRatioUnit / snd.rate_ratio + 0.5);
  g.increment = inc0 & static_cast<int32_t>(kPositionMask);

  const int32_t gseed = random_.Next();
  const int32_t gr = WrapMul(gseed >> 16, s.val(kGlissRnd)) / kGlissRandomDivisor;
  const int32_t gm = s.val(kGlissAm);
  const float ga = static_cast<float>(double(static_cast<float>(amp * kSampleScale * gm)) *
                                      (gm > 0 ? kGlissAmUp : kGlissAmDown));
  const double y = (2.0 * (s.val(kGliss) + gr) + ga) * kTwoPow10Inv;  // octaves over the grain
  const float inc1 = static_cast<float>(std::pow(2.0, y) * inc0);
  g.glissando =
      len != 0 ? static_cast<float>(double(static_cast<float>(inc1 - double(inc0))) / len) : 0.0f;
  g.frame_counter = 0;
}

// The attack and decay phases and their steps, each with its randomness.
void Engine::StartGrainEnvelope(Grain& g, const Stream& s, int32_t len) {
  const int32_t attack = s.val(kAttack);
  const int32_t a_len = WrapMul(len, attack) / kEnvelopeUnit;
  if (a_len >= 1) {
    g.attack_phase = 0;
    const int32_t seed = random_.Next();
    const int32_t rnd = WrapMul(seed >> 13, s.val(kAttackRnd)) / attack;
    const int32_t sum = WrapAdd(static_cast<int32_t>(kPhaseOne) / a_len, rnd);
    g.attack_increment = sum < 0 ? -rnd : sum;
  } else {
    g.attack_phase = static_cast<int32_t>(kPhaseOne);  // no attack
    g.attack_increment = 0;
  }

  g.decay_phase = static_cast<int32_t>(kPositionMask);
  const int32_t d_len = WrapMul(s.val(kDecay), len) / kEnvelopeUnit;
  g.decay_start = d_len;
  g.decay_decrement = 0;
  if (d_len > 0) {
    const uint32_t seed = static_cast<uint32_t>(random_.Next());
    const uint32_t h = std::max<uint32_t>(1, (kPhaseOne / static_cast<uint32_t>(d_len + len)) / 2);
    const uint32_t q = (seed >> 2) / h;
    int32_t start = d_len - static_cast<int32_t>(
                                (static_cast<uint32_t>(s.val(kDecayRnd)) * q) / kDecayRandomDivisor);
    if (start <= 0) start = static_cast<int32_t>(q >> 4);
    if (start > len) start = len - static_cast<int32_t>(q >> 4);
    // The decay needs at least one frame: the decrement divides by it.
    if (start < 1) start = 1;
    g.decay_start = start;
    g.decay_decrement = static_cast<int32_t>(kPhaseOne / static_cast<uint32_t>(start));
  }
}

}  // namespace kornmill
