// The offline render: configuration, source loading, the score and the render loop.
#include "output/render/render_job.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "midi/midi_file.h"
#include "output/output_texts.h"
#include "output/render/midi_performance.h"
#include "output/render/offline_device.h"
#include "output/render/render_target.h"
#include "patches/bank_file.h"
#include "patches/safe_file.h"
#include "soundfile/loader/sound_loader.h"

namespace kornmill {

// Wraps the output file: counts samples, peak and clipped samples, and lets
// nothing past the requested length into the file (blocks rendered ahead for
// the queue are accepted and dropped). A block goes into the file while the
// next one renders, as the engine's side job, so that its conversion and the
// file's new pages cost no time of their own; a write that fell short shows
// at the next block (which the file then refuses) or at the flush.
class LimitedWriter final : public BlockWriter {
 public:
  LimitedWriter(std::unique_ptr<BlockWriter> inner, RenderStats& stats, Engine& engine,
                LimitedWriter*& registry)
      : inner_(std::move(inner)), stats_(stats), engine_(engine), registry_(registry) {
    registry_ = this;
  }
  // The recorder closes the file (which writes what is pending) before it lets
  // the writer go.
  ~LimitedWriter() override {
    if (pending_ > 0) engine_.set_side_job(nullptr, nullptr);
    if (registry_ == this) registry_ = nullptr;
  }

  size_t Write(const float* data, size_t n) override {
    Flush();
    if (failed_) return 0;
    if (stats_.full()) return n;
    const size_t k = std::min(n, stats_.limit - stats_.samples);
    stats_.samples += k;
    if (stats_.full()) {
      // Grains the last block started past the length are not in the file.
      stats_.grains_at_limit =
          data == engine_.last_block()
              ? engine_.grains_started_before(static_cast<int>(k) / engine_.channels())
              : engine_.grains_started();
    }
    if (block_.size() < k) block_.resize(n);
    std::copy(data, data + k, block_.begin());
    pending_ = k;
    engine_.set_side_job(&WritePending, this);
    return n;
  }
  // Writes the block the engine has not written yet.
  void Flush() {
    if (pending_ == 0) return;
    engine_.set_side_job(nullptr, nullptr);
    WriteNow();
  }
  void Close() override {
    Flush();
    inner_->Close();
  }
  // Whether a write fell short: the file is incomplete.
  bool failed() const { return failed_; }
  bool at_size_limit() const override { return inner_->at_size_limit(); }
  std::string last_error() const override { return inner_->last_error(); }

 private:
  static void WritePending(void* writer) { static_cast<LimitedWriter*>(writer)->WriteNow(); }
  // On a render thread while the engine renders, or on the main thread.
  void WriteNow() {
    const size_t written = inner_->Write(block_.data(), pending_);
    stats_.Count(block_.data(), written);
    if (written < pending_) {
      failed_ = true;
      stats_.write_error = inner_->at_size_limit() ? kTextWavSizeLimit : inner_->last_error();
    }
    pending_ = 0;
  }

  std::unique_ptr<BlockWriter> inner_;
  RenderStats& stats_;
  Engine& engine_;
  LimitedWriter*& registry_;
  std::vector<float> block_;  // the block waiting for the file
  size_t pending_ = 0;        // its samples; 0 when there is none
  bool failed_ = false;
};

// The sound loader's host: the render waits for the loader thread itself. No
// one is there to answer the memory question: a sound that may not fit is
// refused with the question's first line.
class CliLoaderHost final : public LoaderHost {
 public:
  void PostSoundLoaded(int, Sound* sound) override { loaded = sound; }
  void PostLoadFailed(std::string text) override {
    if (!text.empty()) error = std::move(text);
  }
  void PostNotice(std::string text) override { notices.push_back(std::move(text)); }
  bool AskQuestion(const std::string&, const std::string& text) override {
    error = text.substr(0, text.find('\n'));
    return false;
  }
  Sound* loaded = nullptr;
  std::string error;
  std::vector<std::string> notices;
};

void RenderStats::Count(const float* data, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  // Four samples at a time while no sample is NaN; the loop below takes the
  // rest from the first group that holds one.
  if (!std::isnan(peak)) {
    // Set bits of each four-lane mask (without relying on a popcount instruction).
    static constexpr uint8_t kBitsSet[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 clip = _mm_set1_ps(kOutputClip);
    const __m128 inf = _mm_set1_ps(std::numeric_limits<float>::infinity());
    __m128 high = _mm_set1_ps(peak);
    for (; i + 4 <= n; i += 4) {
      const __m128 a = _mm_and_ps(_mm_loadu_ps(data + i), magnitude);
      if (_mm_movemask_ps(_mm_cmpunord_ps(a, a)) != 0) break;
      high = _mm_max_ps(a, high);
      clipped += kBitsSet[_mm_movemask_ps(_mm_cmpge_ps(a, clip))];
      not_numbers += kBitsSet[_mm_movemask_ps(_mm_cmpeq_ps(a, inf))];
    }
    alignas(16) float highs[4];
    _mm_store_ps(highs, high);
    for (const float h : highs) peak = std::max(peak, h);
  }
#endif
  for (; i < n; ++i) {
    const float a = std::fabs(data[i]);
    if (std::isnan(a)) {
      // Not a number: the peak says so, and it counts as clipped.
      peak = a;
      ++clipped;
      ++not_numbers;
      continue;
    }
    if (a > peak) peak = a;  // false once the peak is NaN: it stays NaN
    if (a >= kOutputClip) ++clipped;
    if (std::isinf(a)) ++not_numbers;
  }
}

RenderJob::RenderJob() : output_(engine_, streams_, *this, *this) {}

RenderJob::~RenderJob() {
  // A render that failed may leave its file open: it is closed while the
  // statistics its writer counts into are still there.
  output_.CloseOutputFile();
}

void RenderJob::ShowError(std::string_view title, std::string_view text) {
  last_error_ = std::string(title) + ": " + std::string(text);
}

void RenderJob::Configure(const RenderOptions& o) {
  rate_ = o.rate;
  engine_.set_interpolation(o.interpolation);
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  streams_.InitStreams(&engine_.sine());
  OutputConfig& c = output_.config();
  c.render_threads = o.threads > 0 ? o.threads : std::clamp(cores, 1, Engine::kMaxRenderThreads);
  c.selected_device = 0;
  c.sample_rate = static_cast<int32_t>(o.rate);
  c.stereo = o.stereo ? 1 : 0;
  c.frames_per_block = o.render_block(!score_.empty());
  c.sample_width = o.bits / 8;
  c.soft_stop = 1;
  c.reset_loop = o.reset_loop ? 1 : 0;
  c.numbered_files = 0;
  c.one_file_per_stream = 0;
  auto devices = std::make_unique<OfflineDevices>();
  devices_ = devices.get();
  output_.set_device_provider(std::move(devices));
  WriterFactory files = DefaultWriterFactory();
  output_.set_writer_factory([this, files](const std::string& path, const WaveFormat& format) {
    return std::make_unique<LimitedWriter>(files(path, format), stats_, engine_, writer_);
  });
  output_.set_block_observer(this);
}

void RenderJob::StartSourceLoad(const std::string& path) {
  loader_host_ = std::make_unique<CliLoaderHost>();
  sounds_ = std::make_unique<SoundTable>(streams_, output_.render_lock(), *loader_host_,
                                         memory_status_);
  sounds_->set_output_rate(rate_);
  sounds_->set_make_overviews(false);  // nothing here draws the sound
  sounds_->LoadSound(path);
}

void RenderJob::FinishSourceLoad(const std::string& path) {
  sounds_->WaitForLoaders();
  const CliLoaderHost& host = *loader_host_;
  if (!host.error.empty()) throw RenderError(host.error);
  notices_ = host.notices;
  if (host.loaded) sounds_->AttachSound(0, host.loaded);
  Stream& s = streams_[0];
  if (!s.sound || s.sound->builtin) throw RenderError("Could not load " + path);
}

void RenderJob::LoadBank(const RenderOptions& o) {
  std::vector<int> slots;
  if (o.recall > 0) slots.push_back(o.recall);
  for (const ScoreEvent& e : score_) {
    if (e.kind == ScoreEvent::kRecall && e.slot > 0) slots.push_back(e.slot);
  }
  if (o.bank.empty()) {
    if (!slots.empty()) throw RenderError("recall " + std::to_string(slots[0]) + " needs --bank");
    return;
  }
  // Read as the window reads it, without its side effects: an empty file stays.
  std::vector<uint8_t> bytes;
  std::string error;
  const ReadStatus read = ReadFileStart(o.bank, kMaxBankFileBytes, &bytes, &error);
  if (read != ReadStatus::kOk) {
    throw RenderError("cannot read the bank " + o.bank + (error.empty() ? "" : ": " + error));
  }
  const ParsedBankFile parsed = ParseBankFile(bytes);
  if (parsed.status == BankFileStatus::kInvalid) {
    throw RenderError(o.bank + " is not a valid Kornmill patch bank file");
  }
  banks_.bank(0).TakeRead(parsed.patches, "A", false);
  for (int slot : slots) {
    if (!banks_.bank(0).slot(slot).stored()) {
      throw RenderError("slot " + std::to_string(slot) + " of " + o.bank +
                        " holds no patch (it has " + std::to_string(parsed.patches.size()) + ")");
    }
  }
}

void RenderJob::Recall(int slot) {
  const GlideTiming timing{rate_, engine_.frame_clock(), streams_.change_time()};
  banks_.ApplySlot(streams_[0], slot == kDefaultSlot ? kDefaultBank : 0, slot, 0, timing);
}

void RenderJob::ApplyStreamOptions(const RenderOptions& o) {
  Stream& s = streams_[0];
  if (o.channels) {
    if (o.channels != kInputLeft && s.sound->channels < 2) {
      throw RenderError("--channels " + std::to_string(o.channels) +
                        " needs a source with two channels; this one has " +
                        std::to_string(s.sound->channels));
    }
    s.input_mask = o.channels;
  }
  if (o.hard_sync) s.hard_sync = 1;
  // A recalled patch first, so that --set can change it.
  if (o.recall >= 0) Recall(o.recall);
  for (const ControlSetting& c : o.settings) {
    SetControlTarget(streams_, c.control, c.value, false, rate_, engine_.frame_clock());
    // Play starts every control at its target. A value equal to the control's
    // current one starts no glide, and would leave the target a recall set.
    s.controls[static_cast<size_t>(c.control)].target = c.value;
  }
}

void RenderJob::BeforeBlock() {
  // The offline device takes every block as soon as it is rendered, so a
  // stop in the first blocks already finds them played and fades out.
  if (OfflineDevice* device = devices_->device()) {
    while (output_.queued() > 0) device->Pull();
  }
  if (!stats_.full()) {
    ++boundaries_;
    active_sum_ += static_cast<uint64_t>(engine_.active_grains());
  }
  const int64_t boundary = timeline_frames();
  if (midi_) midi_->Feed(boundary, rate_);
  while (next_event_ < score_.size() && boundary >= score_[next_event_].seconds * rate_) {
    const ScoreEvent& e = score_[next_event_++];
    if (e.kind == ScoreEvent::kStop) {
      output_.SoftStop();
      continue;
    }
    if (e.kind == ScoreEvent::kRecall) {
      Recall(e.slot);
      continue;
    }
    const int change_time = streams_.change_time();
    if (e.change_time > 0 && e.control != kChangeTime) streams_.set_change_time(e.change_time);
    SetControlTarget(streams_, e.control, e.value, false, rate_, engine_.frame_clock());
    if (e.control != kChangeTime) streams_.set_change_time(change_time);
  }
}

int64_t RenderJob::timeline_frames() const {
  return static_cast<int64_t>(stats_.samples) / output_.config().channels();
}

void RenderJob::LoadMidi(const RenderOptions& o) {
  MidiFile file;
  try {
    file = ReadMidiFile(o.midi);
  } catch (const MidiFileError& e) {
    throw RenderError(e.what());
  }
  MidiConfig config;
  config.channel = o.midi_channel;
  for (const MidiResponseSetting& r : o.midi_responses) {
    config.response[static_cast<size_t>(r.row)] = r.word;
  }
  DecodeNoteResponse(config);
  midi_ = std::make_unique<MidiPerformance>(std::move(file), config, streams_, engine_, output_);
  // Program changes recall the slots of the --bank file (bank A); another bank
  // chosen by MIDI has nothing in it here.
  midi_->set_program_handler([this](int id, int) {
    constexpr int kSlotIds = 1400;
    constexpr int kBankIds = 1600;
    if (id >= kBankIds) {
      midi_bank_ = id - kBankIds;
      return;
    }
    const int slot = id - kSlotIds;
    if (slot == kDefaultSlot || (midi_bank_ == 0 && banks_.bank(0).slot(slot).stored())) {
      Recall(slot);
    }
  });
}

int64_t RenderJob::RenderFrames(const RenderOptions& o) const {
  if (!midi_ || o.length_set) return o.total_frames();
  // The MIDI file's length, and a second for its last grains to fade.
  constexpr double kTailSeconds = 1.0;
  RenderOptions sized = o;
  sized.seconds = midi_->file().length_seconds + kTailSeconds;
  sized.blocks = -1;
  if (!(sized.seconds <= kMaxRenderSeconds)) {
    throw RenderError(o.midi + " lasts longer than a day; give its length with --seconds");
  }
  try {
    CheckWavSize(sized);
  } catch (const UsageError& e) {
    throw RenderError(o.midi + " is too long for one file: " + e.what());
  }
  return sized.total_frames();
}

void RenderJob::MidiLoop(int64_t total_frames, const Progress& progress) {
  const int channels = output_.config().channels();
  const std::vector<float> silence(static_cast<size_t>(output_.config().samples_per_block()), 0.0f);
  while (!stats_.full()) {
    midi_->ApplyRequests();
    if (output_.playing()) {
      if (!output_.recording()) break;  // the file could not take the block
      if (pending_ > 0) {
        --pending_;
        output_.OnBlockDone(0);
      } else {
        devices_->device()->Pull();
      }
    } else {
      // Stopped: the events of this boundary may start playing; else a block of silence.
      {
        std::lock_guard<std::mutex> lock(output_.render_lock());
        midi_->Feed(timeline_frames(), rate_);
      }
      midi_->ApplyRequests();
      if (output_.playing()) continue;
      const size_t before = stats_.samples;
      output_.WriteRecordedBlock(silence.data());
      if (stats_.samples == before && !stats_.full()) break;  // the file took nothing
    }
    if (progress) progress(static_cast<int64_t>(stats_.samples) / channels, total_frames);
  }
}

void RenderJob::Loop(int64_t total_frames, const Progress& progress) {
  const int channels = output_.config().channels();
  // Ends at the length, at the end of a soft stop, or when the file cannot take more.
  while (output_.playing() && output_.recording() && !stats_.full()) {
    if (pending_ > 0) {
      --pending_;
      output_.OnBlockDone(0);
      continue;
    }
    devices_->device()->Pull();
    if (progress) progress(static_cast<int64_t>(stats_.samples) / channels, total_frames);
  }
}

void RenderJob::PadWithSilence() {
  const std::vector<float> silence(static_cast<size_t>(output_.config().samples_per_block()), 0.0f);
  while (output_.recording() && !stats_.full()) output_.WriteRecordedBlock(silence.data());
}

void RenderJob::ArmRecording(const std::string& path, const std::string& shown_path) {
  if (output_.RecordNextPlay(path)) return;
  // The writer's text names the temporary file: say what failed about the real one.
  const size_t reason = last_status_.find('\n');
  throw RenderError("Could not open \"" + shown_path + "\" for output: " +
                    (reason == std::string::npos ? last_status_ : last_status_.substr(reason + 1)));
}

RenderSummary RenderJob::Run(const RenderOptions& o, const std::vector<ScoreEvent>& score,
                             const Progress& progress) {
  score_ = score;
  Configure(o);
  // Whatever is at the output path stays as it is unless the render succeeds.
  RenderTarget target(o.output, {{o.source, "the source sound"},
                                  {o.bank, "the patch bank"},
                                  {o.score, "the score"},
                                  {o.midi, "the MIDI file"}});
  LoadBank(o);
  if (!o.source.empty()) StartSourceLoad(o.source);
  output_.InitAudioOutput(".", ".");
  if (!o.source.empty()) FinishSourceLoad(o.source);
  ApplyStreamOptions(o);
  if (!o.midi.empty()) LoadMidi(o);
  const int64_t total_frames = RenderFrames(o);
  stats_.limit = static_cast<size_t>(total_frames) * output_.config().channels();

  ArmRecording(target.temp_path(), o.output);
  const auto start = std::chrono::steady_clock::now();
  // A MIDI performance starts stopped: its notes or MIDI Start play it.
  if (!midi_ || o.play) {
    output_.TogglePlay(kPlayFromButton);
    if (!output_.playing() && !last_error_.empty()) throw RenderError(last_error_);
  }
  if (midi_) {
    MidiLoop(total_frames, progress);
  } else {
    Loop(total_frames, progress);
  }
  output_.StopPlay();
  PadWithSilence();
  if (writer_) writer_->Flush();
  // A MIDI render may never have started recording: it is complete when the
  // file has its length. Any other ends recording only when a write failed.
  const bool complete =
      (midi_ ? stats_.full() : output_.recording()) && !(writer_ && writer_->failed());
  if (!complete) {
    const std::string& reason = stats_.write_error;
    throw RenderError("Could not write \"" + o.output + "\"" +
                      (reason.empty() ? std::string() : ": " + reason) +
                      "; nothing was saved");
  }
  // Closing writes the header and length; a MIDI render may never have started recording.
  if (output_.recording()) {
    output_.ToggleRecord();
  } else {
    output_.CloseOutputFile();
  }
  target.Commit();

  RenderSummary sum;
  sum.wall_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sum.frames = static_cast<int64_t>(stats_.samples) / output_.config().channels();
  sum.seconds = double(sum.frames) / o.rate;
  sum.grains = stats_.full() ? stats_.grains_at_limit : engine_.grains_started();
  sum.peak = stats_.peak;
  sum.clipped = stats_.clipped;
  sum.mean_active_grains = boundaries_ ? double(active_sum_) / double(boundaries_) : 0.0;
  sum.not_numbers = stats_.not_numbers;
  sum.notices = notices_;
  sum.midi_events = midi_ ? midi_->events_played() : 0;
  return sum;
}

}  // namespace kornmill
