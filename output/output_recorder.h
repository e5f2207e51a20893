// Output soundfiles: names, the open file slot and the per-block append while recording.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "output/block_writer.h"
#include "output/output_config.h"
#include "output/output_view.h"

namespace kornmill {

class StreamTable;

// Main thread only; WriteBlock runs inside the block fill, under the render lock.
class OutputRecorder {
 public:
  OutputRecorder(OutputConfig& config, OutputView& view);
  ~OutputRecorder();

  void set_writer_factory(WriterFactory factory) { factory_ = std::move(factory); }
  bool has_writer_factory() const { return static_cast<bool>(factory_); }

  // The per-stream copy area: 3 zeroed blocks of `samples` floats.
  void AllocateCopyArea(int samples);

  // Full path of the next output file in `folder`; returns its length. Moves
  // the file counter on when numbering is on.
  int MakeOutputFileName(const std::string& folder, std::string& path);

  // The record buttons: ends recording, or opens the next file and starts it.
  void Toggle(const std::string& folder, StreamTable& streams);
  // Opens `path` with the output format and starts recording; false with the
  // reason in the status bar when the file cannot be created.
  bool Start(const std::string& path);
  // Opens `path` without starting to record (Start = Open + set_recording).
  bool Open(const std::string& path);
  void set_recording(bool on) { recording_ = on && slot_; }
  // Appends one rendered block (frames × channels floats, the mix).
  void WriteBlock(const float* block, StreamTable& streams);
  // Closes and releases the output file.
  void CloseOutputFile();

  bool recording() const { return recording_; }
  bool file_open() const { return static_cast<bool>(slot_); }
  const std::string& file_path() const { return path_; }
  // Seconds of sound the open file holds.
  double recorded_seconds() const;

  // What FitToFormat did with the open file.
  enum class Fit { kUnchanged, kReopened, kClosed };
  // The output format changed (rate or channels). A file that has taken no
  // sample yet is made again with the new format; one that holds samples
  // cannot change its format: it is closed, complete, and recording ends.
  Fit FitToFormat();

 private:
  void WriteSingle(const float* block, size_t n);
  void WritePerStream(size_t n, StreamTable& streams);
  // The status text for a short write of the open file.
  const char* ShortWriteText() const;

  OutputConfig& config_;
  OutputView& view_;
  WriterFactory factory_;
  std::unique_ptr<BlockWriter> slot_;  // the one stream table entry there is room for
  std::string path_;                   // the open file's path and format
  WaveFormat format_;
  size_t samples_written_ = 0;  // samples the open file took
  std::vector<float> copy_;            // 3 blocks; block 2 stays silent
  int copy_samples_ = 0;
  bool recording_ = false;
};

}  // namespace kornmill
