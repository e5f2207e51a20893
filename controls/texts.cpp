// Value texts of the controls and the texts that name the current stream.
#include "controls/texts.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "base/sound.h"
#include "controls/stream.h"

namespace kornmill {
namespace {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
  char buf[400];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

int Target(const Stream& s, int k) {
  return s.controls[k].target;
}

std::string Percent(const Stream& s, int k) {
  return Format("%.2f %%", Target(s, k) * 100 * double(kControlTable[k].display_scale));
}

// Playback rate through the sound in source frames per output frame.
double PlaybackRate(const Stream& s) {
  return Target(s, kRate) / (6000.0 - 11.0 * Target(s, kRateRange));
}

double LoopLengthSeconds(const Stream& s) {
  const double seconds = double(s.sound->frame_count) / s.sound->frame_rate;
  return seconds * Target(s, kLoopLength) * 0.000244140625;
}

// Grains per second. Whole numbers of grains per second read as such (the
// defaults read "20.000 per sec"); below one per second the exact rate shows.
double GrainFrequency(int v) {
  const int whole = v * 35 / (16670 - v);
  return whole >= 1 ? whole : v * 35.0 / (16670 - v);
}

double GrainSeconds(int v) {
  return double(v) * v * 9.5367431640625e-07;
}

ValueTexts EnvelopeTexts(const Stream& s, int k) {
  const double a = Target(s, kAmp) * 100 * 0.001953125;
  const double e = 2 - (Target(s, kDecay) / 256.0 + Target(s, kAttack) / 256.0);
  const double f = e < 1 ? 0.75 * e + 0.25 : 1.0;  // attack and decay overlap
  return {Percent(s, k), Format("A/D adj. amp: %.3f %%", a * f), std::nullopt};
}

ValueTexts LoopTexts(const Stream& s) {
  const double seconds = double(s.sound->frame_count) / s.sound->frame_rate;
  const double start = seconds * Target(s, kLoopStart) * 0.000244140625;
  const double len = LoopLengthSeconds(s);
  const double rho = PlaybackRate(s);
  ValueTexts t{Format("Start: %.3f s; Len: %.3f s", start, len), std::nullopt, std::nullopt};
  if (rho >= 0.0001) t.part3 = Format("Length/rate: %.3f sec", len / rho);
  return t;
}

ValueTexts RateTexts(const Stream& s) {
  const double rho = PlaybackRate(s);
  ValueTexts t{Format("1:%.4f", rho), std::nullopt, std::nullopt};
  if (!s.sound->builtin) {
    t.part3 = std::fabs(rho) < 0.0001
                  ? std::string("Loop locked")
                  : Format("Length/rate: %.3f sec", LoopLengthSeconds(s) / std::fabs(rho));
  }
  return t;
}

ValueTexts DensityTexts(const Stream& s, int k) {
  const double f = GrainFrequency(Target(s, kGrainFreq));
  const double g = GrainSeconds(Target(s, kGrainLength));
  ValueTexts t{std::string(), Format("Density: %.3f", g * f), std::nullopt};
  if (k == kGrainLength) {
    t.part2 = Format("%.4f secs", g);
    return t;
  }
  t.part2 = f < 1 ? Format("1 per %.3f sec", 1 / f) : Format("%.3f per sec", f);
  if (f > 0.332 && f <= 5) *t.part2 += Format(" (%.2f bpm)", f * 60);
  return t;
}

std::string PitchText(int v) {
  if (v == 0) return Format("%+.3f semitones%s", 0.0, "");
  const double av = std::abs(v);
  const double e = av / (8192 - av / 3);
  const double x = av >= 6144 ? e - 1 : 1 - 1 / e;  // octaves
  const char* suffix = v < 0 ? ", reverse" : "";
  if (x >= -4) return Format("%+.3f semitones%s", 12 * x, suffix);
  return Format("%.3f rate%s", 1 / std::fabs(x), suffix);
}

std::string PanText(int v) {
  if (v == 0) return "Middle";
  return Format("%.1f%%", std::abs(v) * 100 * 0.00390625) + (v > 0 ? " left" : " right");
}

}  // namespace

std::string ChangeTimeText(int change_time) {
  return Format("  \xC3\xAE  parm chng time: %.2f s", change_time * 0.015625);
}

ValueTexts ControlValueTexts(const Stream& s, int k, int change_time) {
  switch (k) {
    case kAttack:
    case kDecay:
    case kAmp:
      return EnvelopeTexts(s, k);
    case kLoopStart:
    case kLoopLength:
      return LoopTexts(s);
    case kRate:
    case kRateRange:
      return RateTexts(s);
    case kGrainFreq:
    case kGrainLength:
      return DensityTexts(s, k);
    case kPitch:
      return {PitchText(Target(s, k)), std::nullopt, std::nullopt};
    case kGliss:
      return {Format("%+.3f semitones", Target(s, k) * 0.001953125 * 12), std::nullopt,
              std::nullopt};
    case kPan:
      return {PanText(Target(s, k)), std::nullopt, std::nullopt};
    case kChangeTimeControl:
      return {std::string(), std::nullopt, ChangeTimeText(change_time)};
    default:
      return {Percent(s, k), std::nullopt, std::nullopt};
  }
}

std::string WindowTitle(const Stream& s) {
  if (!s.sound || s.sound->builtin) return "Kornmill";
  const std::string& path = s.sound->path;
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name + " - Sifter chops it";
}

std::string StreamStatusText(const Stream& s, bool slot_stored) {
  const char* name = s.sound ? s.sound->name.c_str() : "";
  if (s.patch_slot == 0) return Format("Stream uses %s, default patch", name);
  if (slot_stored) {
    return Format("Stream uses %s, bank %c, patch %d", name, 'A' + s.patch_bank, s.patch_slot);
  }
  return Format("Stream uses %s, patch N/A", name);
}

std::string StreamTabLabel(int state, int index) {
  const char* suffix = "?";
  switch (state) {
    case -2:
    case -1:
      suffix = "  [  ]";
      break;
    case 1:
      suffix = "";
      break;
    case 2:
      suffix = "  [S]";
      break;
  }
  return Format("Stream %d%s", index + 1, suffix);
}

}  // namespace kornmill
