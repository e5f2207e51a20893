// Figures for the manual: control ranges, glide times, bank sizes and what the companions reach.
#include "manual/figures.h"

#include <cstdio>

#include "controls/control_table.h"
#include "engine/engine.h"
#include "manual/control_reference.h"
#include "manual/midi_reference.h"
#include "output/output_config.h"
#include "output/output_options.h"
#include "output/null_device.h"
#include "output/render/render_options.h"
#include "patches/bank_table.h"
#include "patches/gesture_corners.h"
#include "patches/gesture_mixer.h"
#include "patches/patch_slot.h"

namespace kornmill {

namespace {

std::string Fixed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

double Maximum(int k) {
  return kControlTable[static_cast<size_t>(k)].maximum;
}

// The speed offset the pitch randomness gives at value v, in times the
// sound's own speed: the grain's random increment, (2^22 × v ÷ F) × v ÷ 256
// position units, over the position scale 2^28 ÷ F.
double PitchRandomSpeed(double v) {
  return v * v / 16384.0;
}

void AddControlFigures(FigureMap& f) {
  f["controls"] = std::to_string(kControls);
  f["grain_controls"] = std::to_string(kGrainControls);
  f["last_grain_control"] = std::to_string(kGrainControls - 1);
  f["pitch_top"] = ControlValueText(kPitch, kControlTable[kPitch].maximum);
  f["pitch_top"].resize(f["pitch_top"].find(' '));
  // Companion reach at full scale, by the grain generator's formulas.
  f["grain_rnd_factor"] = Fixed("%.2f", Maximum(kGrainLengthRnd) / 96.0);
  f["grain_amp_factor"] = Fixed("%.0f", 1 + Maximum(kGrainLengthAm) / 64.0);
  const double full = Maximum(kPitchRnd);
  f["pitch_rnd_eighth"] = Fixed("%.2g", 100 * PitchRandomSpeed(full / 8));
  f["pitch_rnd_quarter"] = Fixed("%.0f", 100 * PitchRandomSpeed(full / 4));
  f["pitch_rnd_full"] = Fixed("%.0f", 100 * PitchRandomSpeed(full));
  // Q × t at unit pitch: (1 + 1) × 32 × 512 × 32767 ÷ 2^28 over the speed 1.
  f["pitch_amp_factor"] =
      Fixed("%.0f", 1 + 2 * 32 * Maximum(kPitchAm) * 32767.0 / 268435456.0);
  f["gliss_rnd_semitones"] = Fixed("%.0f", 12 * 2 * (32768 * Maximum(kGlissRnd) / 4096) / 1024);
  f["gliss_amp_up"] = Fixed("%.0f", 12 * 32767 * Maximum(kGlissAm) / 4096 / 1024);
  f["gliss_amp_down"] = Fixed("%.0f", 12 * 32767 * Maximum(kGlissAm) / 2048 / 1024);
  f["pan_steps"] = std::to_string(kPanSize - 1);
}

void AddTimeFigures(FigureMap& f) {
  const RenderOptions defaults;
  f["default_rate"] = std::to_string(defaults.rate);
  // The control update runs every ceil(countdown ÷ 8) steps of 8 frames.
  const int update_frames =
      (kControlUpdateCountdown + kStepFrames - 1) / kStepFrames * kStepFrames;
  f["updates_per_second"] = std::to_string(defaults.rate / update_frames);
  f["default_change_s"] = Fixed("%.2f", kDefaultChangeTime / 64.0);
  f["quick_change_s"] = Fixed("%.2f", kQuickChangeTime / 64.0);
  f["quick_recall_s"] = Fixed("%.1f", kQuickRecallTime / 64.0);
  f["longest_change_s"] =
      Fixed("%.0f", kControlTable[kChangeTime].maximum / 64.0);
}

void AddOutputFigures(FigureMap& f) {
  const OutputConfig defaults;
  f["out_rate"] = std::to_string(defaults.sample_rate);
  f["out_block"] = std::to_string(defaults.frames_per_block);
  f["out_blocks"] = std::to_string(defaults.block_count);
  f["out_latency_ms"] =
      Fixed("%.0f", 1000.0 * defaults.block_count * defaults.frames_per_block /
                        defaults.sample_rate);
  f["out_latency_label"] = BufferLabel(defaults.frames_per_block, defaults.sample_rate);
  f["block_min"] = std::to_string(FramesForBlockPosition(kMinBlockPosition));
  f["block_max"] = std::to_string(FramesForBlockPosition(kMaxBlockPosition));
  f["null_device"] = kNullDeviceName;
  // Listed lowest first, as a reader counts: "8000, 11025, ... and 96000".
  std::string rates;
  for (size_t i = kOfferedRates.size(); i-- > 0;) {
    if (!rates.empty()) rates += i == 0 ? " and " : ", ";
    rates += std::to_string(kOfferedRates[i]);
  }
  f["offered_rates"] = rates;
}

void AddBankFigures(FigureMap& f) {
  f["banks"] = std::to_string(kBankCount);
  f["slots"] = std::to_string(kSlotsPerBank);
  f["last_bank"] = std::string(1, static_cast<char>('A' + kBankCount - 1));
  f["gesture_glide_s"] = Fixed("%.2f", kGestureGlideTime / 64.0);
  f["gesture_bank_chars"] = std::to_string(kCornerBankNameChars);
}

}  // namespace

const FigureMap& ManualFigures() {
  static const FigureMap figures = [] {
    FigureMap f;
    AddControlFigures(f);
    AddTimeFigures(f);
    AddOutputFigures(f);
    AddBankFigures(f);
    AddMidiFigures(f);
    return f;
  }();
  return figures;
}

}  // namespace kornmill
