// Position scale, guard frames and rate constants of a source sound.
#include "engine/sound_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/fixed_point.h"

namespace kornmill {

float PositionScale(int32_t frames, int channels) {
  return static_cast<float>(static_cast<float>(268435456.0 / frames) + channels / 2);
}

int32_t GuardFrameCount(float position_scale, int32_t frames) {
  const int64_t k = std::max<int64_t>(1, static_cast<int64_t>(position_scale));
  const int64_t sint = std::max<int64_t>(1, RoundEven(position_scale));
  const int64_t by_modulus = std::min((int64_t{268435456} % k) + 11, kModulusGuardLimit);
  const int64_t by_reach = int64_t{268435455} / sint + 6 - frames;
  return static_cast<int32_t>(std::max(by_modulus, by_reach));
}

void FillGuard(Sound& sound, int32_t guard_frames) {
  const int64_t data = sound.sample_count();
  const int64_t guard = int64_t(guard_frames) * sound.channels;
  if (data <= 0) {
    std::fill(sound.samples.begin() + data, sound.samples.begin() + data + guard, 0.0f);
    return;
  }
  float* base = sound.samples.data();
  for (int64_t done = 0; done < guard;) {
    const int64_t n = std::min(data, guard - done);
    std::memcpy(base + data + done, base, static_cast<size_t>(n) * sizeof(float));
    done += n;
  }
}

void SetRateConstants(Sound& sound, uint32_t output_rate) {
  sound.onset_unit = 268435456u / output_rate;
  sound.rate_ratio = sound.frame_rate ? (output_rate * 2048u) / sound.frame_rate : 0;
}

}  // namespace kornmill
