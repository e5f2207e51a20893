// Feeding a MIDI file's events to the decoder at block boundaries; its play requests between
// blocks.
#include "output/render/midi_performance.h"

#include <algorithm>

#include "output/audio_output.h"

namespace kornmill {

namespace {
// Requests that one boundary may post without an allocation.
constexpr size_t kRequestRoom = 4096;
}  // namespace

MidiPerformance::MidiPerformance(MidiFile file, const MidiConfig& config, StreamTable& streams,
                                 Engine& engine, AudioOutput& output)
    : file_(std::move(file)),
      config_(config),
      decoder_(config_, streams, engine, *this),
      output_(output) {
  // Requests are posted from block boundaries: room for them is made here.
  const size_t room = std::min(file_.events.size(), kRequestRoom);
  requests_.reserve(room);
  applying_.reserve(room);
}

bool MidiPerformance::playing() const {
  return output_.playing();
}
bool MidiPerformance::stopping() const {
  return output_.stopping();
}
bool MidiPerformance::recording() const {
  return output_.recording();
}

void MidiPerformance::Feed(int64_t frame, uint32_t rate) {
  while (next_ < file_.events.size() && double(frame) >= file_.events[next_].seconds * rate) {
    decoder_.MidiInProc(file_.events[next_++].message);
  }
}

void MidiPerformance::PostPlay(bool start) {
  requests_.push_back({start ? Request::kStart : Request::kStop});
}

void MidiPerformance::PostProgram(int id, int stream) {
  ++program_changes_;
  requests_.push_back({Request::kProgram, id, stream});
}

void MidiPerformance::ApplyRequests() {
  // Starting renders blocks at once, and their boundaries may ask for more.
  while (!requests_.empty()) {
    applying_.swap(requests_);
    requests_.clear();
    for (const Request& r : applying_) {
      const bool sounding = output_.playing() && !output_.stopping();
      if (r.kind == Request::kProgram) {
        if (on_program_) on_program_(r.id, r.stream);
      } else if (r.kind == Request::kStart) {
        decoder_.PlayStartHandled();
        if (!sounding) output_.TogglePlay(kPlayFromMidi);
      } else if (sounding) {
        output_.TogglePlay(kPlayFromMidi);
      }
    }
  }
}

}  // namespace kornmill
