// A MIDI file played into the offline renderer through the MIDI input's decoding.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "midi/midi_decoder.h"
#include "midi/midi_file.h"

namespace kornmill {

class AudioOutput;
class Engine;
class StreamTable;

// Main thread only. The file's events reach the decoder at block boundaries;
// what the decoder posts (play, stop, program changes) is done between blocks.
class MidiPerformance final : public MidiHost {
 public:
  MidiPerformance(MidiFile file, const MidiConfig& config, StreamTable& streams, Engine& engine,
                  AudioOutput& output);

  // At the block boundary `frame` frames into the render (render lock held):
  // every event whose time is at or before it.
  void Feed(int64_t frame, uint32_t rate);
  // Between blocks: starts or stops as the events asked, in order.
  void ApplyRequests();

  // What a program change does (recall a slot, choose a bank); by default nothing.
  void set_program_handler(std::function<void(int id, int stream)> handler) {
    on_program_ = std::move(handler);
  }

  const MidiFile& file() const { return file_; }
  size_t events_played() const { return next_; }
  int program_changes() const { return program_changes_; }

  // MidiHost
  bool playing() const override;
  bool stopping() const override;
  bool recording() const override;
  void PostPlay(bool start) override;
  void PostProgram(int id, int stream) override;
  void PostMonitor(uint32_t) override {}
  void PostControlPosition(int, int) override {}

 private:
  MidiFile file_;
  MidiConfig config_;
  MidiDecoder decoder_;
  AudioOutput& output_;
  size_t next_ = 0;
  // What the decoder posted, in order: a start, a stop or a program change.
  struct Request {
    enum Kind { kStart, kStop, kProgram } kind;
    int id = 0;
    int stream = 0;
  };
  std::vector<Request> requests_;
  std::vector<Request> applying_;  // the requests being applied, swapped with requests_
  std::function<void(int, int)> on_program_;
  int program_changes_ = 0;
};

}  // namespace kornmill
