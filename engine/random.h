// The engine's one linear congruential random generator.
#pragma once

#include <cstdint>

namespace kornmill {

class Random {
 public:
  static constexpr uint32_t kInitialSeed = 381296920;

  // One random step; the new seed read as a signed 32-bit integer.
  int32_t Next() {
    seed_ = seed_ * 1664525u + 1013904223u;
    return static_cast<int32_t>(seed_);
  }
  uint32_t seed() const { return seed_; }
  void set_seed(uint32_t s) { seed_ = s; }

 private:
  uint32_t seed_ = kInitialSeed;
};

}  // namespace kornmill
