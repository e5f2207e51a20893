// One offline render: the instrument's own start-up, Play and block path driven by an offline
// device into a WAV file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/audio_output.h"
#include "output/render/render_error.h"
#include "output/render/render_options.h"
#include "output/render/render_score.h"
#include "patches/bank_table.h"
#include "soundfile/loader/sound_loader.h"

namespace kornmill {

class LimitedWriter;
class MidiPerformance;
class OfflineDevices;

struct RenderSummary {
  int64_t frames = 0;       // frames in the file
  double seconds = 0;       // their length at the output rate
  uint64_t grains = 0;      // grains started within them
  float peak = 0;           // largest magnitude of a sample
  uint64_t clipped = 0;     // samples at the engine's clip level
  double wall_seconds = 0;  // time the render took
  // Active grains at the block boundaries, averaged: grain rate × grain length.
  double mean_active_grains = 0;
  uint64_t not_numbers = 0;          // samples that are NaN or infinite
  std::vector<std::string> notices;  // what the loader repaired in the source
  size_t midi_events = 0;            // MIDI file events played (with --midi)
};

// Counts and limits what reaches the file (filled by the writer wrapper).
struct RenderStats {
  size_t limit = 0;  // samples the file may take
  size_t samples = 0;
  float peak = 0;
  uint64_t clipped = 0;
  uint64_t grains_at_limit = 0;
  std::string write_error;  // why the file took less than it was given
  uint64_t not_numbers = 0;  // NaN or infinite samples (also counted as clipped)
  bool full() const { return samples >= limit; }
  // Counts `n` samples that reach the file: peak (NaN once one is NaN), clipped
  // samples and samples that are not numbers.
  void Count(const float* data, size_t n);
};

// Main thread only. Run once per object.
class CliLoaderHost;

class RenderJob final : public OutputView, public MainThreadWaker, public BlockObserver {
 public:
  using Progress = std::function<void(int64_t frames_done, int64_t frames_total)>;

  RenderJob();
  ~RenderJob() override;

  // The memory figures the source's load is checked against (the system's
  // when not set).
  void set_memory_status(std::function<MemoryStatus()> status) { memory_status_ = std::move(status); }

  // Renders; throws RenderError with a text for the user.
  RenderSummary Run(const RenderOptions& options, const std::vector<ScoreEvent>& score,
                    const Progress& progress = {});

  // OutputView: the renderer has no window; errors are kept for the caller.
  void SetPlayButton(int, std::string_view, bool) override {}
  void SetRecordButtons(bool) override {}
  void ShowStatus(std::string_view text) override { last_status_ = std::string(text); }
  void ShowError(std::string_view title, std::string_view text) override;
  void ShowWarning(std::string_view text) override { last_error_ = std::string(text); }
  // MainThreadWaker: wake-ups are counted and answered by the render loop.
  void PostBlockDone(int) override { ++pending_; }
  // BlockObserver: the score's events at this block boundary.
  void BeforeBlock() override;

  // The engine and streams after the render (the state of its last block).
  const Engine& engine() const { return engine_; }
  const StreamTable& streams() const { return streams_; }

 private:
  void Configure(const RenderOptions& o);
  // The source loads on its own thread while the output is set up.
  void StartSourceLoad(const std::string& path);
  void FinishSourceLoad(const std::string& path);
  void ApplyStreamOptions(const RenderOptions& o);
  // The bank file of --bank into bank A; every recall asked for must find its slot.
  void LoadBank(const RenderOptions& o);
  void Recall(int slot);
  void Loop(int64_t total_frames, const Progress& progress);
  // After a stop, silence up to the requested length.
  void PadWithSilence();
  // Records into `path` from the first block of the next play; throws RenderError.
  void ArmRecording(const std::string& path, const std::string& shown_path);
  void LoadMidi(const RenderOptions& o);
  // The render's length: the given one, or the MIDI file's (RenderError when
  // a file of that length cannot be written).
  int64_t RenderFrames(const RenderOptions& o) const;
  void MidiLoop(int64_t total_frames, const Progress& progress);
  // Frames in the output file so far: the time of the next block boundary.
  int64_t timeline_frames() const;

  Engine engine_;
  StreamTable streams_;
  AudioOutput output_;
  OfflineDevices* devices_ = nullptr;
  std::unique_ptr<CliLoaderHost> loader_host_;  // outlives the table's loader threads
  std::unique_ptr<SoundTable> sounds_;
  BankTable banks_;
  std::unique_ptr<MidiPerformance> midi_;
  int midi_bank_ = 0;  // the bank MIDI chose (0 = A, the --bank file)
  RenderStats stats_;
  LimitedWriter* writer_ = nullptr;  // the output file's, while it is open
  std::vector<ScoreEvent> score_;
  size_t next_event_ = 0;
  uint32_t rate_ = 44100;
  int pending_ = 0;
  uint64_t boundaries_ = 0;
  uint64_t active_sum_ = 0;
  std::string last_status_;
  std::string last_error_;
  std::vector<std::string> notices_;
  std::function<MemoryStatus()> memory_status_;
};

}  // namespace kornmill
