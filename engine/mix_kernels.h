// Reading and mixing one grain's step into a stereo block, several frames at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kornmill {

inline constexpr int kKernelFrames = 8;

// What the frame-by-frame pass of a grain's step leaves for the mixing pass.
// A frame that renders nothing has live 0 (and offset 0, so reading it is safe).
struct GrainStepFrames {
  alignas(32) int32_t rest[kKernelFrames];   // position mod the divisor
  alignas(32) double env[kKernelFrames];     // envelope value (float32 held in double)
  alignas(32) uint64_t live[kKernelFrames];  // all ones for frames that render
  size_t offset[kKernelFrames];              // sample offset of the frame read
};

struct StereoMixArgs {
  const float* data;  // first sample of the selected channel
  int stride;         // channels of the sound
  double divisor;     // the position divisor (round of the position scale)
  double left, right;
  float* dst;  // the step: 8 frames of left, right
};

// Two frames per instruction (SSE2) or four (AVX). kPoints: 2, 4 or 6
// (linear, cubic, spline); kPair: the second channel goes right.
// Each lane takes exactly the steps of the scalar formulas, and a frame
// that renders nothing adds +0.0, which leaves a block value unchanged
// (block values are never -0.0).
template <int kPoints, bool kPair>
void MixStereoSse2(const GrainStepFrames& f, const StereoMixArgs& a);
template <int kPoints, bool kPair>
void MixStereoAvx(const GrainStepFrames& f, const StereoMixArgs& a);

// Whether this processor runs the AVX kernels.
bool HaveAvx();

}  // namespace kornmill
