// Output soundfile names, opening and closing, and the block append with its write-error path.
#include "output/output_recorder.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "controls/stream.h"
#include "output/output_folders.h"
#include "output/output_texts.h"

namespace kornmill {

OutputRecorder::OutputRecorder(OutputConfig& config, OutputView& view)
    : config_(config), view_(view) {}

OutputRecorder::~OutputRecorder() {
  CloseOutputFile();
}

void OutputRecorder::AllocateCopyArea(int samples) {
  copy_.assign(static_cast<size_t>(samples) * 3, 0.0f);
  copy_samples_ = samples;
}

int OutputRecorder::MakeOutputFileName(const std::string& folder, std::string& path) {
  char name[32];
  if (!config_.numbered_files) {
    std::snprintf(name, sizeof name, "%s", kOutputFileName);
  } else {
    if (config_.max_count < 2) config_.max_count = 99;
    if (++config_.file_counter > config_.max_count) config_.file_counter = 0;
    std::snprintf(name, sizeof name, kNumberedFileName, config_.file_counter);
    view_.SoundOptionsChanged();
  }
  path = folder + "/" + name;
  return static_cast<int>(path.size());
}

void OutputRecorder::Toggle(const std::string& folder, StreamTable& streams) {
  if (recording_) {
    recording_ = false;
    CloseOutputFile();
  } else {
    if (folder == ProgramDataFolder()) EnsureFolder(folder);
    std::string path;
    MakeOutputFileName(folder, path);
    if (!config_.one_file_per_stream) {
      Start(path);
    } else if (streams.count() > 0) {
      // sifter07.wav is written as sifter07.1.wav: one file per stream, numbered from 1.
      Start(path.substr(0, path.size() - 3) + "1.wav");
    }
  }
  view_.SetRecordButtons(recording_);
}

bool OutputRecorder::Start(const std::string& path) {
  recording_ = Open(path);
  return recording_;
}

bool OutputRecorder::Open(const std::string& path) {
  CloseOutputFile();
  try {
    if (!factory_) throw std::runtime_error(kTextNotWritable);
    slot_ = factory_(path, config_.output_format());
    path_ = path;
    format_ = config_.output_format();
    samples_written_ = 0;
  } catch (const std::exception& e) {
    view_.ShowStatus(e.what());
    slot_.reset();
  }
  return static_cast<bool>(slot_);
}

void OutputRecorder::WriteBlock(const float* block, StreamTable& streams) {
  const size_t n = static_cast<size_t>(config_.samples_per_block());
  if (!config_.one_file_per_stream) {
    WriteSingle(block, n);
  } else {
    WritePerStream(n, streams);
  }
  ++config_.blocks_written;
}

void OutputRecorder::WriteSingle(const float* block, size_t n) {
  if (!slot_) {
    recording_ = false;
    view_.ShowStatus(kTextNotWritable);
    return;
  }
  const size_t written = slot_->Write(block, n);
  samples_written_ += written;
  if (written < n) {
    // The record buttons show that recording has ended, so that the next
    // click starts a new recording instead of stopping one that is over.
    recording_ = false;
    view_.ShowStatus(ShortWriteText());
    CloseOutputFile();
    view_.SetRecordButtons(false);
  }
}

const char* OutputRecorder::ShortWriteText() const {
  return slot_ && slot_->at_size_limit() ? kTextWavSizeLimit : kTextWriteError;
}

void OutputRecorder::WritePerStream(size_t n, StreamTable& streams) {
  if (copy_samples_ < static_cast<int>(n)) AllocateCopyArea(static_cast<int>(n));
  Stream* first = streams.first();
  const float* source = copy_.data() + 2 * n;  // the silent block
  if (slot_ && first && first->block.size() >= n) {
    float* copy = copy_.data() + (config_.blocks_written % 2) * n;
    std::copy(first->block.begin(), first->block.begin() + n, copy);
    source = copy;
  }
  if (slot_) {
    const size_t written = slot_->Write(source, n);
    samples_written_ += written;
    if (written < n) {
      view_.ShowStatus(ShortWriteText());
      CloseOutputFile();
    }
  }
  if (!slot_) {
    recording_ = true;  // Toggle ends it and unchecks the buttons
    Toggle(std::string(), streams);
  }
}

OutputRecorder::Fit OutputRecorder::FitToFormat() {
  const WaveFormat now = config_.output_format();
  // The sample width is the file's own (the writer converts every block to it).
  if (!slot_ || (now.rate == format_.rate && now.channels == format_.channels)) {
    return Fit::kUnchanged;
  }
  const bool was_recording = recording_;
  if (samples_written_ == 0) {
    // Nothing of the user's is in it yet: the same file, made again.
    const std::string path = path_;
    if (Open(path)) {
      recording_ = was_recording;
      return Fit::kReopened;
    }
    recording_ = false;
    return Fit::kClosed;
  }
  recording_ = false;
  CloseOutputFile();
  return Fit::kClosed;
}

double OutputRecorder::recorded_seconds() const {
  if (!slot_ || format_.rate == 0 || format_.channels <= 0) return 0;
  return double(samples_written_ / size_t(format_.channels)) / format_.rate;
}

void OutputRecorder::CloseOutputFile() {
  if (slot_) {
    slot_->Close();
    slot_.reset();
  }
}

}  // namespace kornmill
