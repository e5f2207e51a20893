// Rendering one grain over a run of frames: the per-frame envelope, read position, interpolation
// and mix, as a scalar loop and as SIMD kernels that take exactly the same rounding steps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/fixed_point.h"
#include "base/sound.h"

namespace kornmill {

enum class Interpolation { kLinear, kCubic, kSpline };

// How a grain's value reaches the block: stereo or mono output, one source
// channel or a pair of them.
enum class MixMode { kStereo, kStereoPair, kMono, kMonoPair };
inline constexpr int kMixModes = 4;

// What changes from frame to frame while a grain sounds.
struct GrainCursor {
  uint32_t position = 0;   // 28-bit read position
  int32_t counter = 0;     // frames rendered since the grain started
  int32_t attack = 0;      // attack phase; at or above 2^28 once the attack is over
  int32_t decay = 0;       // decay phase; below 0 once the decay has run out (silent)
  bool silent() const { return decay < 0; }
};

// What stays the same while a grain sounds, gathered once per run of frames.
struct GrainVoice {
  const float* data = nullptr;  // the selected channel of frame 0
  int32_t readable = 0;         // samples that can be read from `data` on
  int32_t stride = 1;           // channels of the sound
  int32_t divisor = 1;          // round(position scale): position units per frame
  double divisor_d = 1;
  double reciprocal = 1;        // 1 / divisor, to find the frame (then corrected)
  int32_t increment = 0;        // position units per frame (28-bit)
  double glissando = 0;         // change of the increment per frame
  int32_t attack_increment = 0;
  int32_t decay_decrement = 0;
  float threshold = 0;          // envelope values below it are not rendered
  const float* envelope = nullptr;
};

// The source frame of 28-bit position `pos` and the remainder, position mod
// divisor. The product with the rounded reciprocal lies within 2^-24 / divisor
// of the true quotient, so it truncates to it, except at exact multiples of the
// divisor, where it may fall one short: the remainder shows that and corrects it.
inline uint32_t FrameOf(uint32_t pos, const GrainVoice& v, int32_t& rest) {
  uint32_t frame = static_cast<uint32_t>(double(pos) * v.reciprocal);
  rest = static_cast<int32_t>(pos - frame * static_cast<uint32_t>(v.divisor));
  if (rest >= v.divisor) {
    ++frame;
    rest -= v.divisor;
  }
  return frame;
}

// One run: frames of a grain with the same gains, all decaying or none.
struct GrainRun {
  float* dst = nullptr;  // the run's first frame in the block (interleaved when stereo)
  int frames = 0;
  bool decaying = false;
  double left = 0, right = 0;  // the gains (float32 values)
};

// Renders the run and advances the cursor; returns false when the decay ran
// out inside the run (the grain is then silent until it ends). Frames whose
// envelope is below the threshold leave the block untouched.
using GrainKernel = bool (*)(GrainCursor& cursor, const GrainVoice& voice, const GrainRun& run);

// The kernels by interpolation (points 2, 4, 6) and mix mode.
struct GrainKernels {
  GrainKernel kernel[3][kMixModes];
  GrainKernel Get(Interpolation i, MixMode m) const {
    return kernel[static_cast<int>(i)][static_cast<int>(m)];
  }
};

// The portable kernels: one frame at a time.
const GrainKernels& ScalarGrainKernels();
// Four frames at a time with AVX2; null where the processor lacks it.
const GrainKernels* Avx2GrainKernels();
// Eight frames at a time with AVX-512; null where the processor lacks it.
const GrainKernels* Avx512GrainKernels();

// The voice of a grain reading `sound` through the input mask `mask`.
GrainVoice MakeGrainVoice(const Sound& sound, int mask, int32_t increment, float glissando,
                          int32_t attack_increment, int32_t decay_decrement, float threshold,
                          const float* envelope);

// Frames the attack still lasts from phase `attack` (the largest int when it never ends).
inline int32_t AttackFramesLeft(int32_t attack, int32_t increment) {
  if (attack >= static_cast<int32_t>(kPhaseOne)) return 0;
  if (increment <= 0) return std::numeric_limits<int32_t>::max();
  const int64_t left = int64_t{kPhaseOne} - attack;
  return static_cast<int32_t>(std::min<int64_t>((left + increment - 1) / increment,
                                                std::numeric_limits<int32_t>::max()));
}

// Frames a decay renders from phase `decay` before it runs out (the largest int when never).
inline int32_t DecayFramesLeft(int32_t decay, int32_t decrement) {
  if (decay < 0) return 0;
  if (decrement <= 0) return std::numeric_limits<int32_t>::max();
  return decay / decrement;
}

// Advances the cursor over `frames` frames without rendering them, exactly
// as rendering would; frames from `decay_from` on are decaying.
void SkipGrainFrames(GrainCursor& cursor, const GrainVoice& voice, int frames, int decay_from);

// Advances over `frames` frames of which none runs out of decay: the
// read position, the counter and the attack; the decay by `frames` when `decaying`.
void AdvanceGrainCursor(GrainCursor& cursor, const GrainVoice& voice, int frames, bool decaying);

}  // namespace kornmill
