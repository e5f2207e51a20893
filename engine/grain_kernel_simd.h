// The grain kernel over SIMD lanes, written once for every lane width. Each instruction-set file
// includes it after its target pragma and supplies a lanes policy L:
//   kLanes; I (int32 lanes), D (double lanes), F (float lanes), IM and DM (lane masks);
//   ISet, ILane, IAdd, ISub, IMul, IAnd, IShr15, ILess (IM), IStore, PrefixSum, Last;
//   the formula operations of interpolation_formulas.h over D, and DSet, Div, FromInt,
//   FromFloats, TruncInt, RoundInt, AtLeast (DM), Widen (IM to DM), AndMasks, Any;
//   Divide (frame and remainder), Lookup (table values), Points (a group's interpolation
//   points; RowPoints below with Gather and Join does it for any width), MixStereo and MixMono (the fold into the block, leaving masked frames untouched).
// Every lane takes exactly the rounding steps of the one-frame kernels; there is
// no fused multiply-add.
#pragma once

#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "engine/grain_kernel.h"
#include "engine/interpolation_formulas.h"

namespace kornmill::simd {

// Glissando steps are converted a group at a time only while they stay inside
// the 32-bit range; the one-frame kernel takes runs that leave it.
inline constexpr double kLaneStepLimit = 2147483000.0;

// Whether every glissando step of `frames` frames (and a group beyond) fits 32 bits.
inline bool StepsFitLanes(const GrainCursor& c, const GrainVoice& v, int frames, int lanes) {
  if (v.glissando == 0) return true;
  const int64_t last = int64_t{c.counter} + frames + lanes;
  if (last > INT32_MAX) return false;
  const double first_step = v.glissando * c.counter + v.increment;
  const double last_step = v.glissando * double(last) + v.increment;
  return std::abs(first_step) < kLaneStepLimit && std::abs(last_step) < kLaneStepLimit;
}

// Four frames' points where the samples of one frame lie side by side (a
// one-channel sound, or both channels of a two-channel one): one row of loads
// per frame, then one register per point. `row` holds each frame's first sample.
// Only samples the points need are read (with the second-channel offset, the
// sample after them, which the sound's spare sample keeps readable).
template <int kPoints, int kStride>
inline void LoadPoints4(const float* const* row, __m128* points, __m128* second) {
  if constexpr (kStride == 1) {
    if constexpr (kPoints == 2) {
      auto pair = [&](int j) {
        // Two floats in the low half; the samples need not be 8-byte aligned.
        return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[j])));
      };
      const __m128 ab = _mm_unpacklo_ps(pair(0), pair(1)), cd = _mm_unpacklo_ps(pair(2), pair(3));
      points[0] = _mm_movelh_ps(ab, cd);
      points[1] = _mm_movehl_ps(cd, ab);
    } else {
      __m128 r0 = _mm_loadu_ps(row[0]), r1 = _mm_loadu_ps(row[1]);
      __m128 r2 = _mm_loadu_ps(row[2]), r3 = _mm_loadu_ps(row[3]);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      points[0] = r0, points[1] = r1, points[2] = r2, points[3] = r3;
      if constexpr (kPoints == 6) {
        __m128 s0 = _mm_loadu_ps(row[0] + 2), s1 = _mm_loadu_ps(row[1] + 2);
        __m128 s2 = _mm_loadu_ps(row[2] + 2), s3 = _mm_loadu_ps(row[3] + 2);
        _MM_TRANSPOSE4_PS(s0, s1, s2, s3);
        points[4] = s2, points[5] = s3;
      }
    }
  } else {
    // Two channels: each load holds two points of both.
    for (int i = 0; i < kPoints; i += 2) {
      __m128 r0 = _mm_loadu_ps(row[0] + 2 * i), r1 = _mm_loadu_ps(row[1] + 2 * i);
      __m128 r2 = _mm_loadu_ps(row[2] + 2 * i), r3 = _mm_loadu_ps(row[3] + 2 * i);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      points[i] = r0, second[i] = r1, points[i + 1] = r2, second[i + 1] = r3;
    }
  }
}

// A group's points, one row of loads per frame: `points` the selected
// channel, `second` with kPair the next one. The general way, for any policy.
template <class L, int kPoints, bool kPair>
inline void RowPoints(const float* data, int stride, typename L::I index, typename L::F* points,
                      typename L::F* second) {
  constexpr int kParts = L::kLanes / 4;
  if (stride > 2) {
    for (int i = 0; i < kPoints; ++i) {
      points[i] = L::Gather(data + i * stride, index);
      if constexpr (kPair) second[i] = L::Gather(data + 1 + i * stride, index);
    }
    return;
  }
  alignas(64) int32_t at[L::kLanes];
  L::IStore(at, index);
  const float* row[L::kLanes];
  for (int j = 0; j < L::kLanes; ++j) row[j] = data + at[j];
  __m128 p[kParts][6], q[kParts][6];
  for (int part = 0; part < kParts; ++part) {
    const float* const* rows = row + 4 * part;
    if (stride == 1) {
      LoadPoints4<kPoints, 1>(rows, p[part], q[part]);
      if constexpr (kPair) {
        const float* const next[4] = {rows[0] + 1, rows[1] + 1, rows[2] + 1, rows[3] + 1};
        LoadPoints4<kPoints, 1>(next, q[part], q[part]);
      }
    } else {
      LoadPoints4<kPoints, 2>(rows, p[part], q[part]);
    }
  }
  for (int i = 0; i < kPoints; ++i) {
    points[i] = L::Join(p, i);
    if constexpr (kPair) second[i] = L::Join(q, i);
  }
}

// The selected channel (and with kPair the next one) of a group of frames, interpolated at t.
template <class L, int kPoints, bool kPair>
inline void ReadFrames(const GrainVoice& v, typename L::I index, typename L::D t,
                       typename L::D& a, typename L::D& b) {
  typename L::F points[6], second[6];
  L::template Points<kPoints, kPair>(v, index, points, second);
  auto point = [&](int i) { return L::FromFloats(points[i]); };
  a = formulas::Read<L, kPoints>(point, t);
  if constexpr (kPair) {
    auto point_b = [&](int i) { return L::FromFloats(second[i]); };
    b = formulas::Read<L, kPoints>(point_b, t);
  }
}

// The read positions of a run, a group at a time: the increment times the
// frame, or with a glissando the rounded steps summed lane by lane.
template <class L>
class Positions {
 public:
  using I = typename L::I;
  using D = typename L::D;
  Positions(const GrainCursor& c, const GrainVoice& v)
      : gliss_(v.glissando != 0),
        base_(L::ISet(static_cast<int32_t>(c.position))),
        offsets_(L::IMul(L::ILane(), L::ISet(v.increment))),
        group_(L::ISet(static_cast<int32_t>(static_cast<uint32_t>(v.increment) * L::kLanes))),
        counter_(L::IAdd(L::ISet(c.counter), L::ILane())),
        gliss_d_(L::Const(v.glissando)),
        increment_d_(L::Const(v.increment)) {}

  // The next group's positions (28-bit).
  I Next() {
    const I mask = L::ISet(static_cast<int32_t>(kPositionMask));
    if (!gliss_) {
      const I pos = L::IAnd(L::IAdd(base_, offsets_), mask);
      base_ = L::IAdd(base_, group_);
      return pos;
    }
    // Rounds to even, like the one-frame kernel.
    const I steps = L::RoundInt(L::Add(L::Mul(gliss_d_, L::FromInt(counter_)), increment_d_));
    const I sum = L::PrefixSum(steps);
    const I pos = L::IAnd(L::IAdd(base_, L::ISub(sum, steps)), mask);
    base_ = L::IAdd(base_, L::Last(sum));
    counter_ = L::IAdd(counter_, L::ISet(L::kLanes));
    return pos;
  }

 private:
  bool gliss_;
  I base_, offsets_, group_, counter_;
  D gliss_d_, increment_d_;
};

// The run's frames, a group at a time; returns the position after the last frame.
template <class L, int kPoints, MixMode kMode, bool kDecaying>
uint32_t RenderFrames(const GrainCursor& c, const GrainVoice& v, const GrainRun& r, int frames,
                      int32_t attack_frames) {
  using I = typename L::I;
  using D = typename L::D;
  constexpr int kLanes = L::kLanes;
  constexpr bool kPair = kMode == MixMode::kStereoPair || kMode == MixMode::kMonoPair;
  constexpr bool kStereoOut = kMode == MixMode::kStereo || kMode == MixMode::kStereoPair;
  // The voice and the run in locals: the stores into the block may alias anything.
  const float* const envelope = v.envelope;
  const int stride = v.stride;
  float* const dst = r.dst;
  const double left = r.left, right = r.right;
  const I lane = L::ILane();
  const I frames_v = L::ISet(frames), attack_v = L::ISet(attack_frames);
  const I divisor_i = L::ISet(v.divisor), stride_i = L::ISet(stride);
  const D reciprocal = L::Const(v.reciprocal), divisor = L::Const(v.divisor_d);
  const D threshold = L::Const(v.threshold);
  const D gains = L::DSetPairs(left, right);
  I attack = L::IAdd(L::ISet(c.attack), L::IMul(lane, L::ISet(v.attack_increment)));
  I decay = L::ISub(L::ISet(c.decay), L::IMul(lane, L::ISet(v.decay_decrement)));
  const I attack_step = L::ISet(static_cast<int32_t>(uint32_t(v.attack_increment) * kLanes));
  const I decay_step = L::ISet(static_cast<int32_t>(uint32_t(v.decay_decrement) * kLanes));
  Positions<L> positions(c, v);
  I pos = L::ISet(0);
  for (int k0 = 0; k0 < frames; k0 += kLanes) {
    const I k = L::IAdd(L::ISet(k0), lane);
    const typename L::IM valid_i = L::ILess(k, frames_v);
    pos = positions.Next();
    D e = L::Const(1.0);
    if (k0 < attack_frames) {
      e = L::FromFloats(L::Lookup(envelope, L::IShr15(attack), L::ILess(k, attack_v)));
    }
    if constexpr (kDecaying) {
      const D fall = L::FromFloats(L::Lookup(envelope, L::IShr15(decay), valid_i));
      e = L::ToFloat(L::Mul(fall, e));
    }
    attack = L::IAdd(attack, attack_step);
    decay = L::ISub(decay, decay_step);
    const typename L::DM valid = L::Widen(valid_i);
    const typename L::DM live = L::AndMasks(valid, L::AtLeast(e, threshold));
    if (!L::Any(live)) continue;

    I frame, rest;
    L::Divide(pos, reciprocal, divisor_i, frame, rest);
    const D t = L::ToFloat(L::Div(L::FromInt(rest), divisor));
    const I index = stride == 1 ? frame : L::IMul(frame, stride_i);
    D a, b;
    ReadFrames<L, kPoints, kPair>(v, index, t, a, b);
    a = L::ToFloat(L::Mul(a, e));
    if constexpr (kPair) {
      b = L::ToFloat(L::Mul(b, e));
    } else {
      b = a;
    }
    const bool whole = k0 + kLanes <= frames;
    if constexpr (kStereoOut) {
      L::MixStereo(dst + 2 * k0, a, b, gains, live, valid, whole);
    } else if constexpr (kPair) {
      // Mono output of a stereo pair: the two channels in equal parts.
      const D mid = L::ToFloat(L::Mul(L::Const(0.5), L::Add(a, b)));
      L::MixMono(dst + k0, mid, left, live, valid, whole);
    } else {
      L::MixMono(dst + k0, a, left, live, valid, whole);
    }
  }
  if (v.glissando == 0) {
    return (c.position + static_cast<uint32_t>(frames) * static_cast<uint32_t>(v.increment)) &
           kPositionMask;
  }
  // The position after the last frame: the next lane's, or the next group's first.
  alignas(64) int32_t lanes[kLanes];
  const int used = frames % kLanes;
  L::IStore(lanes, used == 0 ? positions.Next() : pos);
  return static_cast<uint32_t>(lanes[used]);
}

template <class L, int kPoints, MixMode kMode>
bool Kernel(GrainCursor& c, const GrainVoice& v, const GrainRun& r) {
  int frames = r.frames;
  bool runs_out = false;
  if (r.decaying) {
    const int32_t last = DecayFramesLeft(c.decay, v.decay_decrement);
    if (last < frames) {
      frames = last;
      runs_out = true;
    }
  }
  // Lanes hold 32-bit sample indexes and steps; the one-frame kernel takes what does not fit.
  if (v.readable == INT32_MAX || !StepsFitLanes(c, v, frames, L::kLanes)) {
    return ScalarGrainKernels().kernel[kPoints / 2 - 1][static_cast<int>(kMode)](c, v, r);
  }
  const int32_t attack_frames = AttackFramesLeft(c.attack, v.attack_increment);
  if (frames > 0) {
    c.position = r.decaying
                     ? RenderFrames<L, kPoints, kMode, true>(c, v, r, frames, attack_frames)
                     : RenderFrames<L, kPoints, kMode, false>(c, v, r, frames, attack_frames);
  }
  c.counter += frames;
  c.attack = static_cast<int32_t>(c.attack + int64_t{std::min(frames, attack_frames)} *
                                                 v.attack_increment);
  if (r.decaying) c.decay -= frames * v.decay_decrement;
  if (!runs_out) return true;
  // The frame the decay runs out in moves the attack and the decay, not the position.
  if (c.attack < static_cast<int32_t>(kPhaseOne)) c.attack += v.attack_increment;
  c.decay -= v.decay_decrement;
  return false;
}

// The kernel table of a lanes policy.
template <class L>
GrainKernels MakeKernels() {
  GrainKernels k{};
  auto fill = [&k](auto points) {
    constexpr int kPoints = decltype(points)::value;
    GrainKernel* modes = k.kernel[kPoints / 2 - 1];
    modes[static_cast<int>(MixMode::kStereo)] = Kernel<L, kPoints, MixMode::kStereo>;
    modes[static_cast<int>(MixMode::kStereoPair)] = Kernel<L, kPoints, MixMode::kStereoPair>;
    modes[static_cast<int>(MixMode::kMono)] = Kernel<L, kPoints, MixMode::kMono>;
    modes[static_cast<int>(MixMode::kMonoPair)] = Kernel<L, kPoints, MixMode::kMonoPair>;
  };
  fill(std::integral_constant<int, 2>{});
  fill(std::integral_constant<int, 4>{});
  fill(std::integral_constant<int, 6>{});
  return k;
}

}  // namespace kornmill::simd
