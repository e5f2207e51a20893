// The three interpolation formulas, written once over an arithmetic policy:
// plain doubles, or SIMD lanes that take exactly the same steps.
#pragma once

namespace kornmill::formulas {

// O provides the value type V and Add, Sub, Mul, Const (a broadcast
// constant) and ToFloat (rounding to float32 and back), each lane in double.

// Two points x0 (frame f) and x1.
template <class O, class V = typename O::V>
inline V Linear(V x0, V x1, V t) {
  const V d = O::ToFloat(O::Sub(x1, x0));
  return O::ToFloat(O::Add(x0, O::Mul(d, t)));
}

// Four points: runs from y1 (t = 0) to y2 (t = 1).
template <class O, class V = typename O::V>
inline V Cubic(V y0, V y1, V y2, V y3, V t) {
  const V c3 = O::ToFloat(O::Sub(O::Add(O::Sub(y1, y0), y3), y2));
  const V c2 = O::Sub(O::Sub(y0, y1), c3);
  const V c1 = O::Sub(y2, y0);
  return O::ToFloat(O::Add(y1, O::Mul(t, O::Add(c1, O::Mul(t, O::Add(c2, O::Mul(t, c3)))))));
}

// Six points: a fifth-order polynomial through p2 (t = 0) and p3 (t = 1).
template <class O, class V = typename O::V>
inline V Spline(V p0, V p1, V p2, V p3, V p4, V p5, V t) {
  auto c = [](double v) { return O::Const(v); };
  // 50(p3 - p2) + 25(p1 - p4) + 5(p5 - p0)
  const V c5 = O::Add(O::Add(O::Mul(c(50), O::Sub(p3, p2)), O::Mul(c(25), O::Sub(p1, p4))),
                      O::Mul(c(5), O::Sub(p5, p0)));
  // 126p2 - 124p3 + 61p4 - 64p1 - 12p5 + 13p0 + t c5
  V c4 = O::Sub(O::Mul(c(126), p2), O::Mul(c(124), p3));
  c4 = O::Sub(O::Sub(O::Add(c4, O::Mul(c(61), p4)), O::Mul(c(64), p1)), O::Mul(c(12), p5));
  c4 = O::Add(O::Add(c4, O::Mul(c(13), p0)), O::Mul(t, c5));
  // 66p3 - 70p2 - 33p4 + 39p1 + 7p5 - 9p0 + t c4
  V c3 = O::Sub(O::Sub(O::Mul(c(66), p3), O::Mul(c(70), p2)), O::Mul(c(33), p4));
  c3 = O::Sub(O::Add(O::Add(c3, O::Mul(c(39), p1)), O::Mul(c(7), p5)), O::Mul(c(9), p0));
  c3 = O::Add(c3, O::Mul(t, c4));
  // 16(p3 + p1) - p0 - 30p2 - p4 + t c3
  V c2 = O::Sub(O::Sub(O::Sub(O::Mul(c(16), O::Add(p3, p1)), p0), O::Mul(c(30), p2)), p4);
  c2 = O::Add(c2, O::Mul(t, c3));
  // 16(p3 - p1) + 2(p0 - p4) + t c2
  const V c1 =
      O::Add(O::Add(O::Mul(c(16), O::Sub(p3, p1)), O::Mul(c(2), O::Sub(p0, p4))), O::Mul(t, c2));
  // k = 1/24 held as float32, used in double
  return O::ToFloat(O::Add(p2, O::Mul(O::Mul(c(0.0416666679084301), t), c1)));
}

// Reads the points of one interpolation through `point(i)` and applies it.
template <class O, int kPoints, class Point, class V = typename O::V>
inline V Read(const Point& point, V t) {
  if constexpr (kPoints == 2) {
    return Linear<O>(point(0), point(1), t);
  } else if constexpr (kPoints == 4) {
    return Cubic<O>(point(0), point(1), point(2), point(3), t);
  } else {
    return Spline<O>(point(0), point(1), point(2), point(3), point(4), point(5), t);
  }
}

}  // namespace kornmill::formulas
