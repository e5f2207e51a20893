// The three ways the renderers read a source sound between its frames.
#pragma once

#include "engine/interpolation_formulas.h"

namespace kornmill {

// Plain double arithmetic for the formulas.
struct ScalarOps {
  using V = double;
  static V Add(V a, V b) { return a + b; }
  static V Sub(V a, V b) { return a - b; }
  static V Mul(V a, V b) { return a * b; }
  static V Const(double v) { return v; }
  static V ToFloat(V x) { return static_cast<float>(x); }
};

// Each policy reads its points from `p` (the sample of frame f of the
// selected channel), `stride` samples apart, and interpolates at fraction t.
template <int kPointCount>
struct Interpolator {
  static constexpr int kPoints = kPointCount;
  static float Read(const float* p, int stride, float t) {
    auto point = [&](int i) { return double(p[i * stride]); };
    return static_cast<float>(formulas::Read<ScalarOps, kPoints>(point, double(t)));
  }
};

using Linear = Interpolator<2>;  // frames f and f + 1
using Cubic = Interpolator<4>;   // frames f .. f + 3: one frame later than Linear
using Spline = Interpolator<6>;  // frames f .. f + 5: two frames later than Linear

}  // namespace kornmill
