// The block plan's storage.
#include "engine/block_plan.h"

namespace kornmill {

void BlockPlan::Reserve(int grains, int ticks) {
  if (grains > grain_capacity()) {
    grains_.resize(static_cast<size_t>(grains));
    ends_.resize(static_cast<size_t>(grains));
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
