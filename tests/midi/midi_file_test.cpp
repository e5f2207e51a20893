// Standard MIDI File reading: formats 0 and 1, running status, tempo maps, SMPTE time, and
// broken files (every truncation, bad bytes, hostile lengths) rejected with a reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/midi_file.h"

namespace kornmill {
namespace {

using Bytes = std::vector<uint8_t>;

void Be(Bytes& b, uint32_t v, int n) {
  for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Vlq(Bytes& b, uint32_t v) {
  Bytes tmp{static_cast<uint8_t>(v & 0x7F)};
  while (v >>= 7) tmp.insert(tmp.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
  b.insert(b.end(), tmp.begin(), tmp.end());
}
Bytes Header(int format, int tracks, int division) {
  Bytes b{'M', 'T', 'h', 'd'};
  Be(b, 6, 4);
  Be(b, static_cast<uint32_t>(format), 2);
  Be(b, static_cast<uint32_t>(tracks), 2);
  Be(b, static_cast<uint32_t>(division), 2);
  return b;
}
void Track(Bytes& file, const Bytes& events) {
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  Be(file, static_cast<uint32_t>(events.size()), 4);
  file.insert(file.end(), events.begin(), events.end());
}
// Delta time then the event's bytes.
void Event(Bytes& t, uint32_t delta, const Bytes& bytes) {
  Vlq(t, delta);
  t.insert(t.end(), bytes.begin(), bytes.end());
}
void Tempo(Bytes& t, uint32_t delta, uint32_t micros) {
  Event(t, delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16),
                   static_cast<uint8_t>(micros >> 8), static_cast<uint8_t>(micros)});
}
void End(Bytes& t, uint32_t delta = 0) {
  Event(t, delta, {0xFF, 0x2F, 0x00});
}

// Format 0 at 96 ticks a quarter: tempo 120 bpm, a note with running status,
// a tempo change to 60 bpm, a controller and a sysex in between.
Bytes Format0File() {
  Bytes t;
  Tempo(t, 0, 500000);
  Event(t, 0, {0x90, 60, 100});
  Event(t, 96, {62, 90});  // running status: note on 62 half a second later
  Event(t, 0, {0xF0, 0x03, 0x7E, 0x01, 0xF7});
  Tempo(t, 96, 1000000);  // at 1.0 s: a quarter now takes a second
  Event(t, 48, {0xB0, 7, 100});
  Event(t, 0, {0xC0, 5});
  Event(t, 0, {0xD0, 64});
  End(t, 96);
  Bytes f = Header(0, 1, 96);
  Track(f, t);
  return f;
}

std::string ErrorOf(const Bytes& b) {
  try {
    ParseMidiFile(b);
  } catch (const MidiFileError& e) {
    return e.what();
  }
  return {};
}

TEST(MidiFile, Format0WithRunningStatusAndTempoChanges) {
  const MidiFile f = ParseMidiFile(Format0File());
  EXPECT_EQ(f.format, 0);
  EXPECT_EQ(f.tracks, 1);
  ASSERT_EQ(f.events.size(), 5u);
  EXPECT_EQ(f.events[0].message, 0x643C90u);
  EXPECT_DOUBLE_EQ(f.events[0].seconds, 0.0);
  EXPECT_EQ(f.events[1].message, 0x5A3E90u);
  EXPECT_DOUBLE_EQ(f.events[1].seconds, 0.5);
  EXPECT_EQ(f.events[2].message, 0x6407B0u);
  EXPECT_DOUBLE_EQ(f.events[2].seconds, 1.5);
  EXPECT_EQ(f.events[3].message, 0x05C0u);
  EXPECT_EQ(f.events[4].message, 0x40D0u);
  EXPECT_DOUBLE_EQ(f.length_seconds, 2.5);
}

TEST(MidiFile, Format1MergesTracksWithTheTempoOfTheFirst) {
  Bytes conductor;
  Tempo(conductor, 0, 250000);  // 240 bpm
  End(conductor, 480);
  Bytes a;
  Event(a, 240, {0x91, 64, 80});
  Event(a, 240, {0x81, 64, 0});
  End(a);
  Bytes b;
  Event(b, 240, {0xE0, 0, 64});
  Event(b, 120, {0xB0, 120, 0});
  End(b);
  Bytes f = Header(1, 3, 480);
  Track(f, conductor);
  Track(f, {'x'});  // not a track: an unknown chunk is skipped
  f[f.size() - 9] = 'X';
  Track(f, a);
  Track(f, b);
  const MidiFile m = ParseMidiFile(f);
  ASSERT_EQ(m.events.size(), 4u);
  // At the same time the earlier track comes first.
  EXPECT_EQ(m.events[0].message, 0x504091u);
  EXPECT_DOUBLE_EQ(m.events[0].seconds, 0.125);
  EXPECT_EQ(m.events[1].message, 0x4000E0u);
  EXPECT_DOUBLE_EQ(m.events[2].seconds, 0.1875);
  EXPECT_EQ(m.events[3].message, 0x004081u);
  EXPECT_DOUBLE_EQ(m.events[3].seconds, 0.25);
}

TEST(MidiFile, SmpteDivision) {
  Bytes t;
  Event(t, 50, {0x90, 60, 1});
  End(t);
  Bytes f = Header(0, 1, 0xE728);  // 25 frames of 40 ticks: a millisecond a tick
  Track(f, t);
  EXPECT_DOUBLE_EQ(ParseMidiFile(f).events[0].seconds, 0.05);
}

TEST(MidiFile, BrokenFilesSayWhatIsWrong) {
  EXPECT_NE(ErrorOf({'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).find("not a Standard"),
            std::string::npos);
  Bytes f2 = Header(2, 1, 96);
  Track(f2, {0, 0xFF, 0x2F, 0});
  EXPECT_NE(ErrorOf(f2).find("format 2"), std::string::npos);
  EXPECT_NE(ErrorOf(Header(1, 0, 96)).find("no tracks"), std::string::npos);
  EXPECT_NE(ErrorOf(Header(1, 2, 0)).find("division"), std::string::npos);
  EXPECT_NE(ErrorOf(Header(0, 2, 96)).find("one track"), std::string::npos);
  EXPECT_NE(ErrorOf(Header(1, 2, 96)).find("ends after 0 of 2"), std::string::npos);
  auto with_track = [](const Bytes& events) {
    Bytes f = Header(0, 1, 96);
    Track(f, events);
    return f;
  };
  EXPECT_NE(ErrorOf(with_track({0, 60, 100})).find("without a status"), std::string::npos);
  EXPECT_NE(ErrorOf(with_track({0, 0x90, 60, 0x80})).find("above 127"), std::string::npos);
  EXPECT_NE(ErrorOf(with_track({0, 0xF8})).find("0xF8"), std::string::npos);
  EXPECT_NE(ErrorOf(with_track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})).find("longer than 4"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with_track({0, 0xFF, 0x51, 2, 1, 2})).find("tempo change of 2"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with_track({0, 0xFF, 0x51, 3, 0, 0, 0})).find("tempo of 0"),
            std::string::npos);
  // A length far beyond the file.
  EXPECT_NE(ErrorOf(with_track({0, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F})).find("cut short"),
            std::string::npos);
  Bytes long_chunk = Header(0, 1, 96);
  Be(long_chunk, 0x4D54726B, 4);
  Be(long_chunk, 0xFFFFFFF0, 4);
  EXPECT_NE(ErrorOf(long_chunk).find("runs past"), std::string::npos);
}

TEST(MidiFile, EveryTruncationIsRejectedOrReadsAPrefix) {
  const Bytes full = Format0File();
  const size_t events = ParseMidiFile(full).events.size();
  for (size_t n = 0; n < full.size(); ++n) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    try {
      EXPECT_LE(ParseMidiFile(cut).events.size(), events) << n;
    } catch (const MidiFileError& e) {
      EXPECT_GT(std::string(e.what()).size(), 10u) << n;
    }
  }
}

TEST(MidiFile, ReadingFromDiskNamesTheFile) {
  try {
    ReadMidiFile("/nonexistent/song.mid");
    FAIL();
  } catch (const MidiFileError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/song.mid"), std::string::npos);
  }
}

}  // namespace
}  // namespace kornmill
