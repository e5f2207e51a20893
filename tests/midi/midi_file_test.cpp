// Standard MIDI File reading: formats 0 and 1, running status, tempo maps, SMPTE time, and
// broken files (every truncation, bad bytes, hostile lengths) rejected with a reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/midi_file.h"
#include "smf_builder.h"

namespace kornmill {
namespace {

using testing::SmfBuilder;
using Bytes = SmfBuilder::Bytes;

// Format 0 at 96 ticks a quarter: tempo 120 bpm, a note with running status,
// a tempo change to 60 bpm, a controller and a sysex in between.
Bytes Format0File() {
  return SmfBuilder(96)
      .Tempo(0, 500000)
      .Event(0, {0x90, 60, 100})
      .Event(96, {62, 90})  // running status: note on 62 half a second later
      .Event(0, {0xF0, 0x03, 0x7E, 0x01, 0xF7})
      .Tempo(96, 1000000)  // at 1.0 s: a quarter now takes a second
      .Event(48, {0xB0, 7, 100})
      .Event(0, {0xC0, 5})
      .Event(0, {0xD0, 64})
      .Build(96);
}

// A header and one track chunk holding `body` as it stands.
Bytes WithTrack(Bytes header, const Bytes& body) {
  SmfBuilder::AppendTrack(header, body);
  return header;
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
  Bytes f = SmfBuilder::Header(1, 3, 480);
  SmfBuilder::AppendTrack(f, SmfBuilder().Tempo(0, 250000).Track(480));  // 240 bpm
  SmfBuilder::AppendTrack(f, {'x'});  // not a track: an unknown chunk is skipped
  f[f.size() - 9] = 'X';
  SmfBuilder::AppendTrack(
      f, SmfBuilder().Event(240, {0x91, 64, 80}).Event(240, {0x81, 64, 0}).Track());
  SmfBuilder::AppendTrack(
      f, SmfBuilder().Event(240, {0xE0, 0, 64}).Event(120, {0xB0, 120, 0}).Track());
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
  // 25 frames of 40 ticks: a millisecond a tick.
  const Bytes f = SmfBuilder(0xE728).Event(50, {0x90, 60, 1}).Build();
  EXPECT_DOUBLE_EQ(ParseMidiFile(f).events[0].seconds, 0.05);
}

TEST(MidiFile, BrokenFilesSayWhatIsWrong) {
  const Bytes one = SmfBuilder::Header(0, 1, 96);
  Bytes long_chunk = one;
  SmfBuilder::Be(long_chunk, 0x4D54726B, 4);
  SmfBuilder::Be(long_chunk, 0xFFFFFFF0, 4);
  const struct {
    Bytes file;
    const char* says;
  } cases[] = {
      {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not a Standard"},
      {WithTrack(SmfBuilder::Header(2, 1, 96), {0, 0xFF, 0x2F, 0}), "format 2"},
      {SmfBuilder::Header(1, 0, 96), "no tracks"},
      {SmfBuilder::Header(1, 2, 0), "division"},
      {SmfBuilder::Header(0, 2, 96), "one track"},
      {SmfBuilder::Header(1, 2, 96), "ends after 0 of 2"},
      {WithTrack(one, {0, 60, 100}), "without a status"},
      {WithTrack(one, {0, 0x90, 60, 0x80}), "above 127"},
      {WithTrack(one, {0, 0xF8}), "0xF8"},
      {WithTrack(one, {0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), "longer than 4"},
      {WithTrack(one, {0, 0xFF, 0x51, 2, 1, 2}), "tempo change of 2"},
      {WithTrack(one, {0, 0xFF, 0x51, 3, 0, 0, 0}), "tempo of 0"},
      {WithTrack(one, {0, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F}),
       "cut short"},  // far beyond the file
      {long_chunk, "runs past"},
  };
  for (const auto& c : cases) EXPECT_NE(ErrorOf(c.file).find(c.says), std::string::npos) << c.says;
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
