// The read-only look at the sounding grains that displays take once per block.
#include "engine/grain_marks.h"

#include <algorithm>

#include "base/fixed_point.h"
#include "engine/engine.h"

namespace kornmill {

int Engine::ReadGrainMarks(const Sound* sound, GrainMark* marks, int capacity) const {
  if (!sound) return 0;
  const uint32_t divisor = static_cast<uint32_t>(std::max(1, RoundEven(sound->position_scale)));
  int n = 0;
  for (const Grain* g = pool_.first_active(); g && n < capacity; g = g->next) {
    if (g->sound != sound) continue;
    float e = 1.0f;
    if (g->decay_phase < 0) {
      e = 0.0f;  // silent until it is removed
    } else {
      if (g->attack_phase < static_cast<int32_t>(kPhaseOne)) e = env_[g->attack_phase >> 15];
      if (g->remaining <= g->decay_start) e *= env_[g->decay_phase >> 15];
    }
    marks[n].frame = static_cast<int32_t>(static_cast<uint32_t>(g->position) / divisor);
    marks[n].envelope = e;
    ++n;
  }
  return n;
}

}  // namespace kornmill
