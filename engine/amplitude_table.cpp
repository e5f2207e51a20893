// The amplitude table: a coarse normalised loudness envelope, one value per 100 frames.
#include <algorithm>
#include <cmath>
#include <new>

#include "engine/sound_layout.h"

namespace kornmill {
namespace {

constexpr int kFramesPerEntry = 100;
constexpr int kMinEntries = 20;

// First-channel sample of frame f. Sounds shorter than the 20 entries need are
// read cyclically, as the engine reads them.
inline float FirstChannel(const Sound& s, int64_t f) {
  if (f >= s.frame_count) f %= s.frame_count;
  return s.samples[static_cast<size_t>(f * s.channels)];
}

// One pass of the 10 Hz mean-square follower over entries first..last.
void FollowerPass(const Sound& s, int first, int last, double g, double c, double& y, float& peak,
                  std::vector<float>& scratch) {
  int64_t frame = int64_t(first) * kFramesPerEntry;
  for (int i = first; i <= last; ++i) {
    for (int n = 0; n < kFramesPerEntry; ++n, ++frame) {
      const double x = FirstChannel(s, frame);
      y = g * (x * x) + c * y;
    }
    const float r = static_cast<float>(std::sqrt(y));
    scratch[i] = r;
    peak = std::max(peak, r);
  }
}

}  // namespace

bool BuildAmplitudeTable(Sound& sound, std::string* error) {
  const int32_t frames = sound.frame_count;
  const int n = std::max(frames / kFramesPerEntry + 1, kMinEntries);
  std::vector<float> scratch;
  try {
    sound.amp_table.assign(static_cast<size_t>(n), 0.0f);
    scratch.assign(static_cast<size_t>(n), 0.0f);
  } catch (const std::bad_alloc&) {
    sound.amp_table = {};
    if (error) *error = "Memory allocation error for amptable";
    return false;
  }
  if (frames <= 0 || sound.channels <= 0) return true;  // nothing to analyse: silence

  const double omega = 6.28318530718 / sound.frame_rate;
  const double b = 2 - std::cos(10 * omega);
  const double c = b - std::sqrt(b * b - 1);
  const double g = 1 - c;

  double y = 0;
  float peak = 0;
  FollowerPass(sound, n - 20, n - 2, g, c, y, peak, scratch);  // warm-up from near the end
  FollowerPass(sound, 0, n - 2, g, c, y, peak, scratch);

  // A silent first channel leaves the table at 0, so every gain stays finite.
  if (peak > 0) {
    const double inverse = 1.0 / peak;
    for (int i = 0; i <= n - 2; ++i) sound.amp_table[i] = static_cast<float>(scratch[i] * inverse);
  }
  sound.amp_table[n - 1] =
      static_cast<float>((double(sound.amp_table[n - 2]) + double(sound.amp_table[0])) * 0.5);
  return true;
}

}  // namespace kornmill
