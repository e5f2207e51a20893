// Small sounds built in code for engine tests.
#pragma once

#include <functional>
#include <memory>

#include "engine/engine.h"

namespace kornmill::test {

// A loaded-like sound of `frames` frames: sample(frame, channel) gives each value.
inline std::unique_ptr<Sound> MakeSound(int32_t frames, int channels, uint32_t rate,
                                        const std::function<float(int, int)>& sample,
                                        uint32_t output_rate) {
  auto s = std::make_unique<Sound>();
  s->path = "/tmp/test.wav";
  s->name = "test.wav";
  s->use_count = 1;
  s->frame_count = frames;
  s->channels = static_cast<int16_t>(channels);
  s->frame_rate = rate;
  s->position_scale = PositionScale(frames, channels);
  s->position_scale_copy = s->position_scale;
  const int32_t guard = GuardFrameCount(s->position_scale, frames);
  s->samples.resize(static_cast<size_t>(frames + guard) * channels + 1);
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) s->samples[f * channels + c] = sample(f, c);
  FillGuard(*s, guard);
  BuildAmplitudeTable(*s);
  SetRateConstants(*s, output_rate);
  return s;
}

}  // namespace kornmill::test
