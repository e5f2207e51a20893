// Parsing and checking the offline renderer's arguments.
#include "output/render/render_options.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "controls/control_table.h"
#include "engine/engine.h"
#include "midi/response.h"
#include "output/render/decimal_text.h"
#include "patches/patch_slot.h"

namespace kornmill {

namespace {

// --recall 0 is the default patch; it needs no bank.
constexpr int kDefaultPatchNumber = 0;

long long ParseInt(const std::string& text, const std::string& what) {
  long long v = 0;
  if (!ParseWholeNumber(text, v)) {
    throw UsageError(what + " must be a whole number, not \"" + text + "\"");
  }
  return v;
}

double ParseSeconds(const std::string& text, const std::string& what) {
  double v = 0;
  if (!ParseDecimalNumber(text, v)) {
    throw UsageError(what + " must be a number of seconds, not \"" + text + "\"");
  }
  return v;
}

// A file name option: an empty one is a mistake (it would render the sine, or nothing).
std::string ParsePath(const std::string& text, const std::string& what) {
  if (text.empty()) throw UsageError(what + " needs a file name, not an empty text");
  return text;
}

Interpolation ParseInterpolation(const std::string& text) {
  if (text == "linear") return Interpolation::kLinear;
  if (text == "cubic") return Interpolation::kCubic;
  if (text == "spline") return Interpolation::kSpline;
  throw UsageError("--interp must be linear, cubic or spline, not \"" + text + "\"");
}

ControlSetting ParseSetting(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) throw UsageError("--set needs K=V, not \"" + text + "\"");
  ControlSetting s;
  s.control = static_cast<int>(ParseInt(text.substr(0, eq), "--set control number"));
  const long long v = ParseInt(text.substr(eq + 1), "--set value");
  if (s.control < 0 || s.control >= kControls) {
    throw UsageError("--set control number must be 0 to 28, not " + std::to_string(s.control));
  }
  s.value = static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  CheckControlValue(s.control, s.value);
  return s;
}

// A response word is a packed bit field: decimal digits, or "0x" and hexadecimal
// digits (no sign, no blanks, no octal reading of a leading 0).
bool ParseResponseWord(const std::string& text, uint32_t& word) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string_view digits = std::string_view(text).substr(hex ? 2 : 0);
  if (digits.empty()) return false;
  uint64_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (value > UINT32_MAX) return false;
  }
  word = static_cast<uint32_t>(value);
  return true;
}

MidiResponseSetting ParseMidiResponse(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) {
    throw UsageError("--midi-response needs N=WORD, not \"" + text + "\"");
  }
  MidiResponseSetting r;
  r.row = static_cast<int>(ParseInt(text.substr(0, eq), "--midi-response row"));
  if (r.row < 0 || r.row > 6) throw UsageError("--midi-response rows are 0 to 6");
  const std::string word = text.substr(eq + 1);
  uint32_t w = 0;
  if (!ParseResponseWord(word, w)) {
    throw UsageError("--midi-response word must be a 32-bit number (decimal or 0x hexadecimal), "
                     "not \"" + word + "\"");
  }
  r.word = w;
  if (r.row > 0 && !IsUsableRow(r.word)) {
    throw UsageError("--midi-response " + text +
                     " is not a usable row (source 1..6 with its flags, parameter 1..12, "
                     "From and To 0..100)");
  }
  return r;
}

bool IsPowerOfTwo(int v) {
  return v > 0 && (v & (v - 1)) == 0;
}

// Applies one option that takes a value.
void ApplyValue(RenderOptions& o, const std::string& opt, const std::string& v) {
  if (opt == "--source") {
    o.source = ParsePath(v, "--source");
  } else if (opt == "--rate") {
    const long long r = ParseInt(v, "--rate");
    if (r < 1000 || r > 384000) throw UsageError("--rate must be 1000 to 384000 Hz");
    o.rate = static_cast<uint32_t>(r);
  } else if (opt == "--block") {
    const long long b = ParseInt(v, "--block");
    if (b < 4 || b > 16384 || !IsPowerOfTwo(static_cast<int>(b))) {
      throw UsageError("--block must be a power of two from 4 to 16384");
    }
    o.block = static_cast<int>(b);
    o.block_set = true;
  } else if (opt == "--interp") {
    o.interpolation = ParseInterpolation(v);
  } else if (opt == "--seconds") {
    o.seconds = ParseSeconds(v, "--seconds");
    if (o.seconds <= 0 || o.seconds > kMaxRenderSeconds)
      throw UsageError("--seconds must be above 0 and at most 86400");
    o.blocks = -1;
    o.length_set = true;
  } else if (opt == "--blocks") {
    o.blocks = ParseInt(v, "--blocks");
    o.length_set = true;
    if (o.blocks < 1 || o.blocks > 100000000) throw UsageError("--blocks must be 1 or more");
  } else if (opt == "--bits") {
    const long long b = ParseInt(v, "--bits");
    if (b != 16 && b != 24 && b != 32) throw UsageError("--bits must be 16, 24 or 32");
    o.bits = static_cast<int>(b);
  } else if (opt == "-o") {
    o.output = ParsePath(v, "-o");
  } else if (opt == "--set") {
    o.settings.push_back(ParseSetting(v));
  } else if (opt == "--channels") {
    const long long c = ParseInt(v, "--channels");
    if (c < 1 || c > 3) throw UsageError("--channels must be 1, 2 or 3");
    o.channels = static_cast<int>(c);
  } else if (opt == "--score") {
    o.score = ParsePath(v, "--score");
  } else if (opt == "--bank") {
    o.bank = ParsePath(v, "--bank");
  } else if (opt == "--recall") {
    const long long n = ParseInt(v, "--recall");
    if (n < 0 || n > kSlotsPerBank)
      throw UsageError("--recall must be 0 (the default patch) or a slot 1 to 20");
    o.recall = static_cast<int>(n);
  } else if (opt == "--midi") {
    o.midi = ParsePath(v, "--midi");
  } else if (opt == "--midi-channel") {
    const long long c = ParseInt(v, "--midi-channel");
    if (c < 0 || c > 16) throw UsageError("--midi-channel must be 0 (by stream) to 16");
    o.midi_channel = static_cast<int>(c);
  } else if (opt == "--midi-response") {
    o.midi_responses.push_back(ParseMidiResponse(v));
  } else if (opt == "--threads") {
    const long long t = ParseInt(v, "--threads");
    if (t < 1 || t > Engine::kMaxRenderThreads) {
      throw UsageError("--threads must be 1 to " + std::to_string(Engine::kMaxRenderThreads));
    }
    o.threads = static_cast<int>(t);
  }
}

bool TakesValue(const std::string& opt) {
  static const char* const kValued[] = {"--source", "--rate",   "--block",        "--interp",
                                        "--seconds", "--blocks", "--bits",        "-o",
                                        "--set",    "--channels", "--score",      "--bank",
                                        "--recall", "--midi",   "--midi-channel", "--midi-response",
                                        "--threads"};
  for (const char* k : kValued)
    if (opt == k) return true;
  return false;
}

}  // namespace

void CheckControlValue(int control, int value) {
  const ControlRow& row = kControlTable[static_cast<size_t>(control)];
  if (value < row.minimum || value > row.maximum) {
    throw UsageError("control " + std::to_string(control) + " takes values from " +
                     std::to_string(row.minimum) + " to " + std::to_string(row.maximum) + ", not " +
                     std::to_string(value));
  }
}

int64_t RenderOptions::total_frames() const {
  if (blocks > 0) return blocks * block;
  return std::max<int64_t>(1, std::llround(seconds * rate));
}

int RenderOptions::render_block(bool scored) const {
  return block_set || scored || !midi.empty() ? block : kPlainRenderBlock;
}

RenderOptions ParseRenderArgs(const std::vector<std::string>& args) {
  RenderOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string opt = args[i];
    std::string value;
    bool has_value = false;
    const size_t eq = opt.find('=');
    if (opt.rfind("--", 0) == 0 && eq != std::string::npos && opt.substr(0, eq) != "--set") {
      value = opt.substr(eq + 1);
      opt = opt.substr(0, eq);
      has_value = true;
    }
    if (opt == "-h" || opt == "--help") {
      o.help = true;
    } else if (opt == "--controls") {
      o.list_controls = true;
    } else if (opt == "--mono" || opt == "--stereo") {
      o.stereo = opt == "--stereo";
    } else if (opt == "--hard-sync") {
      o.hard_sync = true;
    } else if (opt == "--no-reset-loop") {
      o.reset_loop = false;
    } else if (opt == "--play") {
      o.play = true;
    } else if (TakesValue(opt)) {
      if (!has_value) {
        if (i + 1 >= args.size()) throw UsageError(opt + " needs a value");
        value = args[++i];
      }
      ApplyValue(o, opt, value);
    } else {
      throw UsageError("unknown argument \"" + args[i] + "\"");
    }
  }
  if (o.help || o.list_controls) return o;
  if (o.output.empty()) throw UsageError("no output file: give -o OUT.wav");
  if (o.recall > kDefaultPatchNumber && o.bank.empty()) {
    throw UsageError("--recall " + std::to_string(o.recall) + " needs --bank FILE.kpb");
  }
  CheckWavSize(o);
  return o;
}

void CheckWavSize(const RenderOptions& o) {
  const uint64_t frame_bytes = uint64_t(o.stereo ? 2 : 1) * uint64_t(o.bits / 8);
  const uint64_t most_frames = (kMaxWavDataBytes) / frame_bytes;
  if (uint64_t(o.total_frames()) <= most_frames) return;
  char text[256];
  std::snprintf(text, sizeof text,
                "WAV files end at 4 GiB: at %u Hz %s %d-bit they hold at most %llu frames "
                "(%.1f s); ask for less or use fewer channels or bits",
                o.rate, o.stereo ? "stereo" : "mono", o.bits,
                static_cast<unsigned long long>(most_frames), double(most_frames) / o.rate);
  throw UsageError(text);
}

std::string RenderUsage() {
  return "Usage: kornmill-render [options] -o OUT.wav\n"
         "Renders the instrument offline, through the same Play and block path as a\n"
         "performance, into a WAV file. OUT.wav is written only when the render\n"
         "succeeds; a file already there is replaced then, and kept otherwise.\n"
         "\n"
         "  --source FILE       source sound (WAV/AIFF); default the built-in 110 Hz sine\n"
         "  --rate HZ           output sample rate (default 44100)\n"
         "  --mono | --stereo   output channels (default stereo)\n"
         "  --block N           frames per block, a power of two 4..16384 (default 256;\n"
         "                      without --score or --midi, whose events act at block\n"
         "                      boundaries, 4096: the samples are the same, sooner)\n"
         "  --interp linear|cubic|spline   interpolation (default spline)\n"
         "  --seconds S         length in seconds (default 10)\n"
         "  --blocks N          length in blocks of --block (or 256) frames (instead of\n"
         "                      --seconds)\n"
         "  --bits 16|24|32     sample format; 32 is float (default 32)\n"
         "  -o OUT.wav          the output file (required; not one of the input files)\n"
         "  --set K=V           control K (0..28) gets the value V before Play; repeatable\n"
         "  --channels 1|2|3    input channel mask (default as the loader sets it)\n"
         "  --hard-sync         a grain starts at every loop wrap\n"
         "  --no-reset-loop     Play keeps the loop position\n"
         "  --bank FILE.kpb     a patch-bank file for --recall and the score's recalls\n"
         "  --recall N          before Play, recall slot N (1..20) of the bank, or the\n"
         "                      default patch (0); --set values apply after it\n"
         "  --threads N         threads that render together (default one per core); every\n"
         "                      count gives the same samples\n"
         "  --score FILE        timed events: 'SECONDS set K V [CHANGE_TIME]' (a glide over\n"
         "                      CHANGE_TIME 64ths of a second, default control 28),\n"
         "                      'SECONDS recall N' (a glide to slot N of the bank, or to\n"
         "                      the default patch for 0, over control 28's time) and\n"
         "                      'SECONDS stop' (a soft stop; silence follows up to the\n"
         "                      length); '#' starts a comment\n"
         "  --midi FILE.mid     plays a Standard MIDI File (format 0 or 1) through the MIDI\n"
         "                      input's decoding; events act at the first block boundary at\n"
         "                      or after their time; the render starts stopped and notes or\n"
         "                      MIDI Start/Stop play and stop it; without --seconds/--blocks\n"
         "                      the length is the file's plus one second\n"
         "  --play              with --midi: playing from the start\n"
         "  --midi-channel N    0 (each channel its stream; the default) or 1..16\n"
         "  --midi-response N=WORD   MIDI response word N (0..6), decimal or 0x hexadecimal,\n"
         "                      e.g. 0=0x72D; repeatable\n"
         "  --controls          lists the 29 controls: number, label, range, default\n"
         "  -h, --help          this text\n"
         "\n"
         "Numbers are decimal: whole numbers like 12 or -3, seconds like 2, 0.5 or 1e-3.\n";
}

std::string ControlsListing() {
  // Names for the controls, companions after the control they modify.
  static constexpr const char* kLabels[kControls] = {
      "loop start",   "loop start rnd",  "loop length",  "loop length rnd",  "rate",
      "rate range",   "rate a->r",       "grain freq",   "grain freq rnd",   "grain freq a->f",
      "grain length", "grain length rnd", "grain length a->l", "pitch",       "pitch rnd",
      "pitch a->p",   "gliss",           "gliss rnd",    "gliss a->g",       "attack",
      "attack rnd",   "decay",           "decay rnd",    "amp",              "amp a->a",
      "pan rnd",      "pan rnd a->p",    "pan",          "change time (64ths of a second)"};
  std::string text = "Controls for --set K=V and the score's 'set K V':\n";
  char header[160];
  std::snprintf(header, sizeof header, "  %2s  %-18s  %-31s %14s %7s\n", "K", "group", "label",
                "range", "default");
  text += header;
  for (int k = 0; k < kControls; ++k) {
    const ControlRow& row = kControlTable[static_cast<size_t>(k)];
    const std::string group = k == kChangeTime ? "Change time" : std::string(row.group);
    char line[160];
    std::snprintf(line, sizeof line, "  %2d  %-18s  %-31s %6d..%-6d %7d\n", k, group.c_str(),
                  kLabels[k], row.minimum, row.maximum, DefaultValue(k));
    text += line;
  }
  return text;
}

}  // namespace kornmill
