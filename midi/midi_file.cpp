// Standard MIDI File reading: the header, one function per track event kind, the tempo map.
#include "midi/midi_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace kornmill {

namespace {

constexpr uint32_t kMaxVlqBytes = 4;
constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note (120 bpm)
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kSysEx = 0xF0;
constexpr uint8_t kSysExContinued = 0xF7;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kFirstRealTime = 0xF8;

std::string Format(const char* pattern, long long a, long long b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

// Bounds-checked reading of a byte span; every read past the end throws.
class ByteReader {
 public:
  ByteReader(std::span<const uint8_t> bytes, std::string what)
      : bytes_(bytes), what_(std::move(what)) {}
  size_t left() const { return bytes_.size() - pos_; }
  size_t position() const { return pos_; }
  bool at_end() const { return pos_ >= bytes_.size(); }
  uint8_t Peek() const {
    Need(1);
    return bytes_[pos_];
  }
  uint8_t Byte() {
    Need(1);
    return bytes_[pos_++];
  }
  uint32_t Be(int n) {
    Need(static_cast<size_t>(n));
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | bytes_[pos_++];
    return v;
  }
  // A variable-length quantity: 7 bits a byte, high bit set on all but the last.
  uint32_t Vlq() {
    uint32_t v = 0;
    for (uint32_t i = 0; i < kMaxVlqBytes; ++i) {
      const uint8_t b = Byte();
      v = (v << 7) | (b & 0x7F);
      if (!(b & 0x80)) return v;
    }
    throw MidiFileError(what_ + " has a variable-length number longer than 4 bytes");
  }
  std::span<const uint8_t> Take(size_t n) {
    Need(n);
    const auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  const std::string& what() const { return what_; }

 private:
  void Need(size_t n) const {
    if (n > left()) throw MidiFileError(what_ + " is cut short");
  }
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  std::string what_;
};

struct TimedMessage {
  uint64_t tick;
  uint32_t message;
};
struct TempoChange {
  uint64_t tick;
  uint32_t micros_per_quarter;
};

// What the tracks hold, gathered in track order.
struct Gathered {
  std::vector<TimedMessage> messages;
  std::vector<TempoChange> tempos;
  uint64_t last_tick = 0;
};

// Data bytes of a channel message by status: program change and channel
// pressure have one, the others two.
int DataBytes(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

void AddMessage(const ByteReader& in, uint64_t tick, uint32_t message, Gathered& out) {
  if (out.messages.size() >= kMaxMidiFileEvents) {
    throw MidiFileError(in.what() + Format(" takes the file past %lld events",
                                           static_cast<long long>(kMaxMidiFileEvents)));
  }
  out.messages.push_back({tick, message});
}

void ReadChannelMessage(ByteReader& in, uint8_t status, uint64_t tick, Gathered& out) {
  uint32_t message = status;
  for (int i = 0; i < DataBytes(status); ++i) {
    const uint8_t b = in.Byte();
    if (b & 0x80) {
      throw MidiFileError(in.what() + Format(" has a data byte above 127 at byte %lld",
                                             static_cast<long long>(in.position() - 1)));
    }
    message |= uint32_t{b} << (8 * (i + 1));
  }
  AddMessage(in, tick, message, out);
}

// A meta event; false at the end of the track.
bool ReadMetaEvent(ByteReader& in, uint64_t tick, Gathered& out) {
  const uint8_t type = in.Byte();
  const uint32_t length = in.Vlq();
  const std::span<const uint8_t> data = in.Take(length);
  if (type == kMetaEndOfTrack) return false;
  if (type == kMetaTempo) {
    if (length != 3) {
      throw MidiFileError(in.what() + Format(" has a tempo change of %lld bytes (3 expected)",
                                             static_cast<long long>(length)));
    }
    const uint32_t tempo = (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
    if (tempo == 0) throw MidiFileError(in.what() + " has a tempo of 0");
    out.tempos.push_back({tick, tempo});
  }
  return true;
}

void ReadTrack(std::span<const uint8_t> data, int number, Gathered& out) {
  ByteReader in(data, Format("Track %lld", number));
  uint64_t tick = 0;
  uint8_t running = 0;  // the channel status in effect, 0 for none
  while (!in.at_end()) {
    tick += in.Vlq();
    out.last_tick = std::max(out.last_tick, tick);
    uint8_t status = in.Peek();
    if (status & 0x80) {
      in.Byte();
    } else if (running) {
      status = running;  // running status: the data byte starts the message
    } else {
      throw MidiFileError(in.what() + Format(" has a data byte without a status at byte %lld",
                                             static_cast<long long>(in.position())));
    }
    if (status == kMetaEvent) {
      running = 0;
      if (!ReadMetaEvent(in, tick, out)) return;
    } else if (status == kSysEx || status == kSysExContinued) {
      running = 0;
      const std::span<const uint8_t> data = in.Take(in.Vlq());
      // An escape holding one real-time byte (Start, Continue, Stop, ...) is
      // played; system exclusive is not used.
      if (status == kSysExContinued && data.size() == 1 && data[0] >= kFirstRealTime &&
          data[0] != kMetaEvent) {
        AddMessage(in, tick, data[0], out);
      }
    } else if (status >= 0xF0) {
      throw MidiFileError(in.what() +
                          Format(" has the status byte 0x%02llX, which a MIDI file cannot hold",
                                 status));
    } else {
      running = status;
      ReadChannelMessage(in, status, tick, out);
    }
  }
}

struct Header {
  int format = 0;
  int tracks = 0;
  uint16_t division = 0;
};

Header ReadHeader(ByteReader& in) {
  if (in.left() < 14 || in.Be(4) != 0x4D546864) {  // "MThd"
    throw MidiFileError("This is not a Standard MIDI File (no MThd header)");
  }
  const uint32_t length = in.Be(4);
  if (length < 6) throw MidiFileError("The MIDI file's header is too short");
  Header h;
  h.format = static_cast<int>(in.Be(2));
  h.tracks = static_cast<int>(in.Be(2));
  h.division = static_cast<uint16_t>(in.Be(2));
  in.Take(length - 6);
  if (h.format == 2) {
    throw MidiFileError("MIDI files of format 2 (independent sequences) are not supported");
  }
  if (h.format > 2) throw MidiFileError(Format("Unknown MIDI file format %lld", h.format));
  if (h.tracks == 0) throw MidiFileError("The MIDI file has no tracks");
  if (h.format == 0 && h.tracks != 1) {
    throw MidiFileError(Format("A format 0 MIDI file has one track, not %lld", h.tracks));
  }
  if ((h.division & 0x7FFF) == 0 || ((h.division & 0x8000) && (h.division & 0xFF) == 0)) {
    throw MidiFileError("The MIDI file's time division is 0");
  }
  return h;
}

// Seconds per tick of an SMPTE division (frames per second × ticks per frame).
double SmpteSecondsPerTick(uint16_t division) {
  const int fps = -static_cast<int8_t>(division >> 8);
  const int ticks = division & 0xFF;
  double rate = 0;
  switch (fps) {
    case 24:
    case 25:
    case 30:
      rate = fps;
      break;
    case 29:
      rate = 30000.0 / 1001.0;  // 30 drop-frame
      break;
    default:
      throw MidiFileError(Format("The MIDI file's SMPTE rate of %lld frames is unknown", fps));
  }
  return 1.0 / (rate * ticks);
}

// Converts ticks to seconds through the tempo changes (sorted by tick).
class TempoMap {
 public:
  TempoMap(uint16_t division, std::vector<TempoChange> tempos) : tempos_(std::move(tempos)) {
    if (division & 0x8000) {
      smpte_ = SmpteSecondsPerTick(division);
    } else {
      quarter_ticks_ = division;
    }
    std::stable_sort(tempos_.begin(), tempos_.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  }
  // Ticks must come in rising order.
  double Seconds(uint64_t tick) {
    if (smpte_ > 0) return double(tick) * smpte_;
    while (next_ < tempos_.size() && tempos_[next_].tick <= tick) {
      base_seconds_ += Span(tempos_[next_].tick - base_tick_);
      base_tick_ = tempos_[next_].tick;
      tempo_ = tempos_[next_].micros_per_quarter;
      ++next_;
    }
    return base_seconds_ + Span(tick - base_tick_);
  }

 private:
  double Span(uint64_t ticks) const { return double(ticks) * tempo_ / (1e6 * quarter_ticks_); }
  std::vector<TempoChange> tempos_;
  double smpte_ = 0;
  int quarter_ticks_ = 1;
  size_t next_ = 0;
  uint64_t base_tick_ = 0;
  double base_seconds_ = 0;
  uint32_t tempo_ = kDefaultTempo;
};

}  // namespace

MidiFile ParseMidiFile(std::span<const uint8_t> bytes) {
  ByteReader in(bytes, "The MIDI file");
  const Header h = ReadHeader(in);
  Gathered g;
  int found = 0;
  while (found < h.tracks) {
    if (in.left() < 8) {
      throw MidiFileError(Format("The MIDI file ends after %lld of %lld tracks", found, h.tracks));
    }
    const uint32_t id = in.Be(4);
    const uint32_t length = in.Be(4);
    if (length > in.left()) {
      throw MidiFileError(Format("Chunk %lld of the MIDI file runs past its end", found + 1));
    }
    const std::span<const uint8_t> data = in.Take(length);
    if (id == 0x4D54726B) ReadTrack(data, ++found, g);  // "MTrk"; other chunks are skipped
  }
  std::stable_sort(g.messages.begin(), g.messages.end(),
                   [](const TimedMessage& a, const TimedMessage& b) { return a.tick < b.tick; });
  TempoMap tempo(h.division, std::move(g.tempos));
  MidiFile file;
  file.format = h.format;
  file.tracks = h.tracks;
  file.events.reserve(g.messages.size());
  for (const TimedMessage& m : g.messages) file.events.push_back({tempo.Seconds(m.tick), m.message});
  file.length_seconds = tempo.Seconds(g.last_tick);
  return file;
}

MidiFile ReadMidiFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw MidiFileError("Cannot open the MIDI file " + path);
  f.seekg(0, std::ios::end);
  const std::streamoff size = f.tellg();
  if (size < 0) throw MidiFileError("Cannot read the MIDI file " + path);
  if (static_cast<uint64_t>(size) > kMaxMidiFileBytes) {
    throw MidiFileError(path + " is too large to be a MIDI file");
  }
  f.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!f.read(reinterpret_cast<char*>(bytes.data()), size)) {
    throw MidiFileError("Cannot read the MIDI file " + path);
  }
  try {
    return ParseMidiFile(bytes);
  } catch (const MidiFileError& e) {
    throw MidiFileError(path + ": " + e.what());
  }
}

}  // namespace kornmill
