// The offline renderer's command line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace kornmill {

// A bad command line; the text says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ControlSetting {
  int control = 0;
  int value = 0;
};

// --midi-response N=WORD: response word N (0..6) of the MIDI configuration.
struct MidiResponseSetting {
  int row = 0;
  uint32_t word = 0;
};

struct RenderOptions {
  std::string source;  // empty: the built-in 110 Hz sine
  uint32_t rate = 44100;
  bool stereo = true;
  int block = 256;
  bool block_set = false;  // --block was given
  Interpolation interpolation = Interpolation::kSpline;
  double seconds = 10.0;  // the length when --blocks is not given
  int64_t blocks = -1;    // set by --blocks; overrides --seconds
  int bits = 32;
  std::string output;
  std::vector<ControlSetting> settings;  // --set, in order
  int channels = 0;                      // input mask; 0: as the loader sets it
  bool hard_sync = false;
  bool reset_loop = true;
  std::string score;
  std::string bank;  // --bank: a patch-bank file for --recall and the score's recalls
  int recall = -1;   // --recall: 0 the default patch, 1..20 a slot of the bank; -1 none
  int threads = 0;  // render threads; 0: one per processor core
  bool help = false;
  bool list_controls = false;  // --controls
  bool length_set = false;  // --seconds or --blocks was given
  // MIDI: a Standard MIDI File played through the MIDI decoding.
  std::string midi;
  bool play = false;  // with --midi: start playing before the first event
  int midi_channel = 0;
  std::vector<MidiResponseSetting> midi_responses;

  // Frames to render: --blocks × --block, or --seconds at --rate (rounded).
  int64_t total_frames() const;
  // Frames per block the render uses: --block; without it, a render that
  // nothing changes between blocks (no score, no MIDI file), whose samples are
  // the same for every block length, takes the longer kPlainRenderBlock.
  int render_block(bool scored) const;
};

// Blocks of a render without events: long enough that what is done once per
// block costs little beside the grains, short enough that each thread's part
// of the sums stays in the first-level cache.
inline constexpr int kPlainRenderBlock = 4096;

// The longest render: one day.
inline constexpr double kMaxRenderSeconds = 86400;

// The sound data a WAV file can hold: its RIFF size field is 32 bits and
// counts the 36 header bytes after it.
inline constexpr uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - 36;

// Parses the arguments after the program name. Throws UsageError.
RenderOptions ParseRenderArgs(const std::vector<std::string>& args);

// Refuses a length whose WAV file would pass 4 GiB (UsageError saying how
// long a file can be at this rate, channel count and sample width).
void CheckWavSize(const RenderOptions& options);

// The --help text.
std::string RenderUsage();
// The --controls text: number, label, range and default of the 29 controls.
std::string ControlsListing();

// Checks a control value against its row of the control table; throws
// UsageError naming the control and its range.
void CheckControlValue(int control, int value);

}  // namespace kornmill
