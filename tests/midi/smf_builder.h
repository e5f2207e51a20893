// Builds Standard MIDI Files byte by byte for tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kornmill::testing {

class SmfBuilder {
 public:
  using Bytes = std::vector<uint8_t>;

  static void Be(Bytes& b, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static void Vlq(Bytes& b, uint32_t v) {
    Bytes tmp{static_cast<uint8_t>(v & 0x7F)};
    while (v >>= 7) tmp.insert(tmp.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
    b.insert(b.end(), tmp.begin(), tmp.end());
  }
  // The header chunk, its fields as given.
  static Bytes Header(int format, int tracks, int division) {
    Bytes f{'M', 'T', 'h', 'd'};
    Be(f, 6, 4);
    Be(f, static_cast<uint32_t>(format), 2);
    Be(f, static_cast<uint32_t>(tracks), 2);
    Be(f, static_cast<uint32_t>(division), 2);
    return f;
  }
  // Appends a track chunk holding `body` to `file`.
  static void AppendTrack(Bytes& file, const Bytes& body) {
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    Be(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
  }

  // One track at `ticks` a quarter note, 120 bpm unless a tempo is given.
  explicit SmfBuilder(int ticks = 96) : ticks_(ticks) {}
  // An event `delta` ticks after the previous one.
  SmfBuilder& Event(uint32_t delta, const Bytes& bytes) {
    Vlq(track_, delta);
    track_.insert(track_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  SmfBuilder& Tempo(uint32_t delta, uint32_t micros) {
    return Event(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16),
                         static_cast<uint8_t>(micros >> 8), static_cast<uint8_t>(micros)});
  }
  // The track's events and its end, `end_delta` ticks after the last event.
  Bytes Track(uint32_t end_delta = 0) const {
    Bytes t = track_;
    Vlq(t, end_delta);
    t.insert(t.end(), {0xFF, 0x2F, 0x00});
    return t;
  }
  // A format 0 file of this one track.
  Bytes Build(uint32_t end_delta = 0) const {
    Bytes f = Header(0, 1, ticks_);
    AppendTrack(f, Track(end_delta));
    return f;
  }
  void Write(const std::string& path, uint32_t end_delta = 0) const {
    const Bytes b = Build(end_delta);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

 private:
  int ticks_;
  Bytes track_;
};

}  // namespace kornmill::testing
