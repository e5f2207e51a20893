// The three ways the renderers read a source sound between its frames.
#pragma once

namespace kornmill {

// Each policy reads the points it needs from `p` (the sample of frame f of the
// selected channel), `stride` samples apart, and interpolates at fraction t.
struct Linear {
  static float Read(const float* p, int stride, float t) {
    const double x0 = p[0], x1 = p[stride];
    const float d = static_cast<float>(x1 - x0);
    return static_cast<float>(x0 + double(d) * t);
  }
};

// Reads one frame later than Linear: runs from y1 (t = 0) to y2 (t = 1).
struct Cubic {
  static float Read(const float* p, int stride, float t) {
    const double y0 = p[0], y1 = p[stride], y2 = p[2 * stride], y3 = p[3 * stride];
    const double c3 = static_cast<float>(((y1 - y0) + y3) - y2);
    const double c2 = (y0 - y1) - c3;
    const double c1 = y2 - y0;
    const double td = t;
    return static_cast<float>(y1 + td * (c1 + td * (c2 + td * c3)));
  }
};

// Six-point fifth-order polynomial through p2 (t = 0) and p3 (t = 1):
// reads two frames later than Linear.
struct Spline {
  static float Read(const float* p, int stride, float t) {
    constexpr double k = 0.0416666679084301;  // 1/24 held as float32
    const double p0 = p[0], p1 = p[stride], p2 = p[2 * stride], p3 = p[3 * stride],
                 p4 = p[4 * stride], p5 = p[5 * stride];
    const double td = t;
    const double c5 = 50 * (p3 - p2) + 25 * (p1 - p4) + 5 * (p5 - p0);
    const double c4 = 126 * p2 - 124 * p3 + 61 * p4 - 64 * p1 - 12 * p5 + 13 * p0 + td * c5;
    const double c3 = 66 * p3 - 70 * p2 - 33 * p4 + 39 * p1 + 7 * p5 - 9 * p0 + td * c4;
    const double c2 = 16 * (p3 + p1) - p0 - 30 * p2 - p4 + td * c3;
    const double c1 = 16 * (p3 - p1) + 2 * (p0 - p4) + td * c2;
    return static_cast<float>(p2 + k * td * c1);
  }
};

}  // namespace kornmill
