// The control table: one row per control in control order.
#include "controls/control_table.h"

#include "base/fixed_point.h"

namespace kornmill {

namespace {
constexpr std::string_view kPlayback = "Soundfile playback";
constexpr std::string_view kDensity = "Grain density";
constexpr std::string_view kPitchGroup = "Grain pitch";
constexpr std::string_view kEnvelope = "Envelope";
constexpr std::string_view kOutput = "Output";
constexpr std::string_view kBanks = "Patch banks";
constexpr float k4096 = 1.0f / 4096, k512 = 1.0f / 512, k256 = 1.0f / 256;
}  // namespace

const std::array<ControlRow, kControls> kControlTable = {{
    {0, 4096, 4096, k4096, "start ", kPlayback},
    {0, 256, 256, k256, "rnd", kPlayback},
    {0, 4096, 0, k4096, "length", kPlayback},
    {0, 256, 256, k256, "rnd", kPlayback},
    {-8192, 8192, -4086, 0.00016666666488163173f, "rate", kPlayback},
    {0, 512, 338, k512, "scale", kPlayback},
    {-512, 512, 0, k512, "a->r", kPlayback},
    {25, 16384, 10347, 1.0f, "freq", kDensity},
    {0, 256, 256, k256, "rnd", kDensity},
    {-512, 512, 0, k512, "a->f", kDensity},
    {13, 4096, 3785, 1.0f, "length", kDensity},
    {0, 256, 256, k256, "rnd", kDensity},
    {-512, 512, 0, k512, "a->l", kDensity},
    {-16384, 16384, -6144, 0.00016276042151730508f, "pitch", kPitchGroup},
    {0, 256, 256, k256, "rnd", kPitchGroup},
    {-512, 512, 0, k512, "a->p", kPitchGroup},
    {-2048, 2048, 0, k512, "gliss", kPitchGroup},
    {0, 256, 256, k256, "rnd", kPitchGroup},
    {-512, 512, 0, k512, "a->g", kPitchGroup},
    {0, 256, 128, k256, "attack", kEnvelope},
    {0, 255, 255, k256, "rnd", kEnvelope},
    {0, 256, 128, k256, "decay", kEnvelope},
    {0, 255, 255, k256, "rnd", kEnvelope},
    {0, 1024, 563, k512, "amp", kOutput},
    {-512, 512, 0, k512, "a->a", kOutput},
    {0, 256, 256, k256, "pan", kOutput},
    {-256, 256, 0, k256, "a->p", kOutput},
    {-256, 256, 0, k256, "", kOutput},
    {1, 4096, 4033, 1.0f, "", kBanks},
}};

MidiScales ComputeMidiScales() {
  MidiScales m;
  for (int k = 0; k < kControls; ++k) {
    const ControlRow& r = kControlTable[k];
    m.coarse[k] = static_cast<float>((r.maximum - r.minimum) * 0.0078125);
    m.fine[k] = static_cast<float>(m.coarse[k] * 0.0078125);
  }
  return m;
}

std::array<int, kControls> MidiStartValues(const MidiScales& scales) {
  static constexpr std::array<int, kControls> kStartBytes = {
      0,  0,  127, 0,  96, 0, 64, 48, 0,  64, 10, 0,  64, 88, 0,
      64, 64, 0,   64, 64, 0, 64, 0,  58, 64, 0,  64, 64, 2};
  std::array<int, kControls> v{};
  for (int k = 0; k < kControls; ++k) {
    v[k] = Trunc(double(scales.coarse[k]) * kStartBytes[k] + kControlTable[k].minimum);
  }
  return v;
}

}  // namespace kornmill
