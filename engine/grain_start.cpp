// Starting a grain: position, length, envelope, pan, gains, pitch and glissando.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/fixed_point.h"
#include "controls/stream.h"
#include "engine/engine.h"

namespace kornmill {
namespace {

constexpr double kTwoPow28Inv = 1.0 / 268435456.0;
constexpr double kTwoPow20Inv = 1.0 / 1048576.0;
constexpr double kTwoPow10Inv = 1.0 / 1024.0;

int32_t ClampPan(int32_t p) {
  return std::clamp(p, -4095, 4095);
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

}  // namespace

Grain* Engine::StartGrain(Stream& s) {
  Grain* g = pool_.AllocGrain();
  if (!g) return nullptr;  // no free record: the onset is skipped
  Sound& snd = *s.sound;
  g->stream = &s;
  g->sound = &snd;
  ++snd.live_grains;
  ++grains_started_;
  const double frames = snd.frame_count;
  const double scale = snd.position_scale_copy;

  // Start position inside the loop, with its randomness.
  int32_t o = Trunc(s.cur(kLoopStart) * 65536.0);
  if (const int32_t rnd = s.val(kLoopStartRnd); rnd != 0) {
    const int32_t seed = random_.Next();
    const int32_t t = Trunc(s.loop_length * kTwoPow28Inv * double(seed >> 8));
    o = WrapAdd(o, WrapMul(WrapMul(t, rnd) >> 8, rnd) >> 4);
  }
  g->position = WrapAdd(s.loop_position, o) & kPositionMask;

  // Length.
  const double len_cur = s.cur(kGrainLength);
  const float L = static_cast<float>(double(rate_) * (len_cur * len_cur) * kTwoPow20Inv);
  int32_t len = RoundEven(L);

  // Source amplitude a quarter of the grain into the source.
  float a = static_cast<float>(g->position / scale + 0.25 * L);
  while (a > frames) a = static_cast<float>(a - frames);
  const double amp = snd.amp_table[static_cast<size_t>(Trunc(a / 100.0))];

  if (const int32_t rnd = s.val(kGrainLengthRnd); rnd != 0) {
    const uint32_t u = static_cast<uint32_t>(random_.Next());
    // q is 2^32 / L: a random fraction of the grain length.
    const uint64_t q =
        L > 0 ? std::max<uint64_t>(1, static_cast<uint64_t>(std::min(4294967296.0 / L, 1e19)))
              : UINT64_MAX;
    float d = static_cast<float>(double(u / q) * rnd / 96.0);
    if (d < 100.0 - L) d = static_cast<float>(double(d) + L);
    len = Trunc(RoundEven(L) + double(d));
  }
  if (const int32_t m = s.val(kGrainLengthAm); m < 0) {
    const double x = (1 - amp) * len * std::abs(m) * 0.001953125;
    len = x > 10 ? Trunc(x) : 10;
  } else if (m > 0) {
    len = WrapAdd(len, RoundEven(amp * L * m * 0.015625));
  }
  g->remaining = len;
  g->short_flag = static_cast<uint32_t>(len) < rate_ ? 1 : 0;

  // Pan: randomness around the pan position, moved by the source amplitude.
  {
    const uint32_t seed = static_cast<uint32_t>(random_.Next());
    int32_t p = (static_cast<int32_t>(seed >> 18) - 8192) * s.val(kPanRnd) / 256 + s.val(kPan) * 16;
    p = ClampPan(p);
    const float pm = static_cast<float>(s.val(kPanRndAm) * (amp - 0.5) * kTwoPow10Inv);
    p = p > 0 ? Trunc(p + double(pm)) : Trunc(p - double(pm));
    p = ClampPan(p);
    g->left_gain = pan_[4096 + p];
    g->right_gain = pan_[4096 - p];
  }
  g->silence_threshold =
      static_cast<float>(1 / (double(std::max(g->left_gain, g->right_gain)) * 32768.0));

  // Amplitude modulation of the output amplitude (expansion or compression).
  {
    const int32_t m = s.val(kAmpAm);
    const int32_t am = std::abs(m);
    const double w = m >= 0 ? amp : 1 - amp;
    const double wet = static_cast<float>(am * w * 0.001953125);
    const double dry_scale = static_cast<float>(512 - am);
    for (float* gain : {&g->left_gain, &g->right_gain}) {
      const float dry = static_cast<float>(dry_scale * *gain * 0.001953125);
      *gain = static_cast<float>(*gain * wet + double(dry));
    }
  }
  if (g->short_flag) {
    const double factor = Trunc(s.cur(kAmp)) * 0.001953125;
    g->left_gain = static_cast<float>(g->left_gain * factor);
    g->right_gain = static_cast<float>(g->right_gain * factor);
  } else {
    g->base_left_gain = g->left_gain;
    g->base_right_gain = g->right_gain;
  }

  StartGrainPitch(*g, s, amp, len);
  StartGrainEnvelope(*g, s, len);
  return g;
}

void Engine::StartGrainPitch(Grain& g, const Stream& s, double amp, int32_t len) {
  const Sound& snd = *g.sound;
  const double frames = snd.frame_count;
  const float P = PitchFactor(s.cur(kPitch));

  const int32_t seed = random_.Next();
  const int32_t prnd = s.val(kPitchRnd);
  const int32_t rp = WrapMul(WrapMul(seed >> 9, prnd) / snd.frame_count, prnd) / 256;

  const int32_t m = s.val(kPitchAm);
  const int32_t mp = m > 0 ? 32 * m : 8 * m;
  const float t = static_cast<float>(mp * (amp * 32767.0) / frames);
  const double Q = P >= 0 ? double(P) + 1 : double(P) - 1;
  const float u = static_cast<float>(Q * t);

  const float w = static_cast<float>(double(static_cast<float>(double(P) * snd.position_scale)) +
                                     (double(rp) + u));
  const int32_t inc0 = Trunc(w * 2048.0 / snd.rate_ratio + 0.5);
  g.increment = inc0 & static_cast<int32_t>(kPositionMask);

  const int32_t gseed = random_.Next();
  const int32_t gr = WrapMul(gseed >> 16, s.val(kGlissRnd)) / 4096;
  const int32_t gm = s.val(kGlissAm);
  const float ga = static_cast<float>(double(static_cast<float>(amp * 32767.0 * gm)) *
                                      (gm > 0 ? 0.000244140625 : 0.00048828125));
  const double y = (2.0 * (s.val(kGliss) + gr) + ga) * kTwoPow10Inv;
  const float inc1 = static_cast<float>(std::pow(2.0, y) * inc0);
  g.glissando =
      len != 0 ? static_cast<float>(double(static_cast<float>(inc1 - double(inc0))) / len) : 0.0f;
  g.frame_counter = 0;
}

void Engine::StartGrainEnvelope(Grain& g, const Stream& s, int32_t len) {
  const int32_t attack = s.val(kAttack);
  const int32_t a_len = WrapMul(len, attack) / 256;
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
  const int32_t d_len = WrapMul(s.val(kDecay), len) / 256;
  g.decay_start = d_len;
  g.decay_decrement = 0;
  if (d_len > 0) {
    const uint32_t seed = static_cast<uint32_t>(random_.Next());
    const uint32_t h = std::max<uint32_t>(1, (kPhaseOne / static_cast<uint32_t>(d_len + len)) / 2);
    const uint32_t q = (seed >> 2) / h;
    int32_t start =
        d_len - static_cast<int32_t>((static_cast<uint32_t>(s.val(kDecayRnd)) * q) / 1024);
    if (start <= 0) start = static_cast<int32_t>(q >> 4);
    if (start > len) start = len - static_cast<int32_t>(q >> 4);
    // The decay needs at least one frame: the decrement divides by it.
    if (start < 1) start = 1;
    g.decay_start = start;
    g.decay_decrement = static_cast<int32_t>(kPhaseOne / static_cast<uint32_t>(start));
  }
}

}  // namespace kornmill
