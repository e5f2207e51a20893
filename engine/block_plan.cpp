// The block plan's storage.
#include "engine/block_plan.h"

#include "base/prefault.h"

namespace kornmill {
namespace {

// Grows `v` to `n` elements, its new storage's pages asked for at once.
template <class T>
void GrowTo(std::vector<T>& v, size_t n) {
  if (n > v.capacity()) {
    std::vector<T> grown;
    grown.reserve(n);
    PrefaultForWriting(grown.data(), n * sizeof(T));
    grown.insert(grown.end(), v.begin(), v.end());  // within the reserved storage
    v.swap(grown);
  }
  v.resize(n);
}

}  // namespace

void BlockPlan::Reserve(int grains, int ticks) {
  if (grains > grain_capacity()) {
    GrowTo(grains_, static_cast<size_t>(grains));
    GrowTo(ends_, static_cast<size_t>(grains));
  }
  if (ticks > tick_capacity()) ticks_.resize(static_cast<size_t>(ticks));
}

void BlockPlan::Clear(int steps) {
  steps_ = steps;
  sounding_ = 0;
  started_ = 0;
  tick_count_ = 0;
}

}  // namespace kornmill
