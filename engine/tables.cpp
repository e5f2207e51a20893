// The envelope and pan tables and the built-in 110 Hz sine.
#include <cmath>

#include "engine/engine.h"

namespace kornmill {

namespace {
constexpr double kPhaseStart = -3.14159265359;
constexpr double kEnvStep = 0.00038349519697143555;  // π / 8192
constexpr double kPanStep = 0.00019174759848571778;  // π / 16384
constexpr int kSineFrames = 8192;
constexpr int kSineGuard = 11;
constexpr uint32_t kSineRate = 180225;  // 5 cycles per 8192 frames play at 110 Hz
}  // namespace

void BuildEngineTables(std::array<float, kEnvelopeSize + kEnvelopeGuard>& env,
                       std::array<float, kPanSize>& pan) {
  for (int i = 0; i < kEnvelopeSize; ++i) {
    const double phi = kPhaseStart + i * kEnvStep;
    env[i] = static_cast<float>(0.5 + 0.5 * std::cos(phi));
  }
  for (int i = kEnvelopeSize; i < kEnvelopeSize + kEnvelopeGuard; ++i) env[i] = 1.0f;
  for (int j = 0; j < kPanSize; ++j) pan[j] = static_cast<float>(std::sin(j * kPanStep));
}

std::unique_ptr<Sound> MakeBuiltinSine() {
  auto s = std::make_unique<Sound>();
  s->use_count = 1;
  s->path = "Built-in 110 Hz sine";
  s->name = s->path;
  s->builtin = true;
  s->frame_count = kSineFrames;
  s->frame_rate = kSineRate;
  s->channels = 1;
  s->samples.resize(kSineFrames + kSineGuard);
  for (int i = 0; i < kSineFrames + kSineGuard; ++i) {
    s->samples[i] = static_cast<float>(std::sin(10 * (kPhaseStart + i * kEnvStep)));
  }
  s->position_scale = 32768.0f;
  s->position_scale_copy = 32768.0f;
  s->amp_table.assign(kSineFrames, 0.5f);  // not normalised: A is 0.5 everywhere
  return s;
}

}  // namespace kornmill
