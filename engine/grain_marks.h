// Where each sounding grain reads and how loud its envelope is, for displays.
#pragma once

#include <cstdint>

namespace kornmill {

// One sounding grain as a display sees it.
struct GrainMark {
  int32_t frame = 0;     // the source frame the grain reads next
  float envelope = 0;    // its envelope value there, 0 .. 1
};

}  // namespace kornmill
