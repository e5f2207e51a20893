// The portable grain kernels (one frame at a time), the grain voice and skipping frames unrendered.
#include "engine/grain_kernel.h"

#include <array>

#include "controls/stream.h"
#include "base/fixed_point.h"
#include "engine/interpolation.h"

namespace kornmill {

GrainVoice MakeGrainVoice(const Sound& sound, int mask, int32_t increment, float glissando,
                          int32_t attack_increment, int32_t decay_decrement, float threshold,
                          const float* envelope) {
  GrainVoice v;
  const size_t offset = mask == kInputRight ? 1 : 0;
  v.data = sound.samples.data() + offset;
  v.readable = static_cast<int32_t>(
      std::min<size_t>(sound.samples.size() - std::min(offset, sound.samples.size()), INT32_MAX));
  v.stride = sound.channels;
  v.divisor = std::max(1, RoundEven(sound.position_scale));
  v.divisor_d = v.divisor;
  v.reciprocal = 1.0 / v.divisor_d;
  v.increment = increment;
  v.glissando = glissando;
  v.attack_increment = attack_increment;
  v.decay_decrement = decay_decrement;
  v.threshold = threshold;
  v.envelope = envelope;
  return v;
}

void AdvanceGrainCursor(GrainCursor& c, const GrainVoice& v, int frames, bool decaying) {
  if (frames <= 0) return;
  const int32_t attack_frames = std::min(frames, AttackFramesLeft(c.attack, v.attack_increment));
  c.attack = static_cast<int32_t>(c.attack + int64_t{attack_frames} * v.attack_increment);
  if (decaying) c.decay -= frames * v.decay_decrement;
  if (v.glissando == 0) {
    c.position = (c.position + static_cast<uint32_t>(frames) * static_cast<uint32_t>(v.increment)) &
                 kPositionMask;
  } else {
    uint32_t pos = c.position;
    const double increment = v.increment;
    for (int32_t k = 0, counter = c.counter; k < frames; ++k, ++counter) {
      pos += static_cast<uint32_t>(RoundEven(v.glissando * counter + increment));
    }
    c.position = pos & kPositionMask;
  }
  c.counter += frames;
}

void SkipGrainFrames(GrainCursor& c, const GrainVoice& v, int frames, int decay_from) {
  if (c.silent() || frames <= 0) return;
  const int steady = std::clamp(decay_from, 0, frames);
  AdvanceGrainCursor(c, v, steady, false);
  const int decaying = frames - steady;
  if (decaying == 0) return;
  const int32_t last = DecayFramesLeft(c.decay, v.decay_decrement);
  if (decaying <= last) {
    AdvanceGrainCursor(c, v, decaying, true);
    return;
  }
  // The decay runs out: its last frame moves the attack and the decay, not the position.
  AdvanceGrainCursor(c, v, last, true);
  if (c.attack < static_cast<int32_t>(kPhaseOne)) c.attack += v.attack_increment;
  c.decay -= v.decay_decrement;
}

namespace {

template <class Interp, MixMode kMode>
bool ScalarKernel(GrainCursor& c, const GrainVoice& v, const GrainRun& r) {
  uint32_t pos = c.position;
  int32_t counter = c.counter, attack = c.attack, decay = c.decay;
  const double increment = v.increment;
  bool sounding = true;
  for (int k = 0; k < r.frames; ++k) {
    float e = 1.0f;
    if (attack < static_cast<int32_t>(kPhaseOne)) {
      e = v.envelope[attack >> 15];
      attack += v.attack_increment;
    }
    if (r.decaying) {
      e = static_cast<float>(double(v.envelope[decay >> 15]) * e);
      decay -= v.decay_decrement;
      if (decay < 0) {
        sounding = false;
        break;
      }
    }
    if (!(v.threshold > e)) {  // envelope values below the threshold are not rendered
      int32_t rest = 0;
      const uint32_t frame = FrameOf(pos, v, rest);
      const float t = static_cast<float>(double(rest) / v.divisor_d);
      const float* p = v.data + size_t(frame) * v.stride;
      const double env = e;
      const float a = static_cast<float>(double(Interp::Read(p, v.stride, t)) * env);
      float* dst = r.dst;
      if constexpr (kMode == MixMode::kStereo || kMode == MixMode::kStereoPair) {
        const float b = kMode == MixMode::kStereoPair
                            ? static_cast<float>(double(Interp::Read(p + 1, v.stride, t)) * env)
                            : a;
        dst[2 * k] = static_cast<float>(double(dst[2 * k]) + double(a) * r.left);
        dst[2 * k + 1] = static_cast<float>(double(dst[2 * k + 1]) + double(b) * r.right);
      } else if constexpr (kMode == MixMode::kMonoPair) {
        // Mono output of a stereo pair: the two channels in equal parts.
        const float b = static_cast<float>(double(Interp::Read(p + 1, v.stride, t)) * env);
        const float mid = static_cast<float>(0.5 * (double(a) + double(b)));
        dst[k] = static_cast<float>(double(dst[k]) + double(mid) * r.left);
      } else {
        dst[k] = static_cast<float>(double(dst[k]) + double(a) * r.left);
      }
    }
    // Without glissando the step is the increment itself (an exact integer).
    const int32_t step =
        v.glissando == 0 ? v.increment : RoundEven(v.glissando * counter + increment);
    pos = (pos + static_cast<uint32_t>(step)) & kPositionMask;
    ++counter;
  }
  c.position = pos;
  c.counter = counter;
  c.attack = attack;
  c.decay = decay;
  return sounding;
}

template <class Interp>
constexpr std::array<GrainKernel, kMixModes> ModesOf() {
  return {ScalarKernel<Interp, MixMode::kStereo>, ScalarKernel<Interp, MixMode::kStereoPair>,
          ScalarKernel<Interp, MixMode::kMono>, ScalarKernel<Interp, MixMode::kMonoPair>};
}

}  // namespace

const GrainKernels& ScalarGrainKernels() {
  static const GrainKernels kernels = [] {
    GrainKernels k{};
    const std::array<GrainKernel, kMixModes> modes[3] = {ModesOf<Linear>(), ModesOf<Cubic>(),
                                                         ModesOf<Spline>()};
    for (int i = 0; i < 3; ++i)
      for (int m = 0; m < kMixModes; ++m) k.kernel[i][m] = modes[i][m];
    return k;
  }();
  return kernels;
}

}  // namespace kornmill
