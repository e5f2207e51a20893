// A stand-in for the engine's built-in sine: the Sound fields the controls read.
#pragma once

#include "base/sound.h"

namespace kornmill::test {

// 8192 frames at 180225 frames per second, like the built-in sine.
inline Sound BuiltinSoundStandIn() {
  Sound s;
  s.use_count = 1;
  s.path = "Built-in 110 Hz sine";
  s.name = s.path;
  s.builtin = true;
  s.frame_count = 8192;
  s.frame_rate = 180225;
  s.channels = 1;
  return s;
}

}  // namespace kornmill::test
