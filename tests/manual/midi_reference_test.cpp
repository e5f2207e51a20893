// The manual's MIDI controller table, checked against the decoder itself: each row's controller
// moves that row's control and no other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../midi/decoder_fixture.h"
#include "built_files.h"
#include "controls/control_table.h"

namespace kornmill::testing {
namespace {

constexpr int kControlChange = 0xB0;
constexpr int kMiddle = 64;
constexpr int kTop = 127;

struct MidiRow {
  int control = 0;
  int coarse = 0;
  int fine = 0;
};

int Attribute(const std::string& html, size_t at, const std::string& name) {
  const std::string key = name + "=\"";
  const size_t start = html.find(key, at) + key.size();
  return std::stoi(html.substr(start, html.find('"', start) - start));
}

// The rows of the built page, in page order.
std::vector<MidiRow> BuiltRows() {
  const std::string html = ReadText(kShare / "help/midi.html");
  std::vector<MidiRow> rows;
  const std::string open = "<tr id=\"midi-";
  for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
    rows.push_back({std::stoi(html.substr(at + open.size())), Attribute(html, at, "data-coarse"),
                    Attribute(html, at, "data-fine")});
  }
  return rows;
}

using MidiReferenceTest = DecoderTest;

TEST_F(MidiReferenceTest, EveryControlHasTheControllersTheDecoderAnswers) {
  const std::vector<MidiRow> rows = BuiltRows();
  ASSERT_EQ(rows.size(), size_t(kControls)) << "midi.html lists the wrong number of controls";
  for (int k = 0; k < kControls; ++k) {
    const MidiRow& row = rows[static_cast<size_t>(k)];
    EXPECT_EQ(row.control, k);
    host.Clear();
    Send(kControlChange, row.coarse, kMiddle);
    ASSERT_EQ(host.positions.size(), 1u) << "controller " << row.coarse;
    EXPECT_EQ(host.positions.begin()->first, k) << "controller " << row.coarse;
    // In 14-bit mode the fine controller refines the same control (or leaves it
    // where it is when its step is too small to count).
    host.Clear();
    Send(kControlChange, row.fine, kTop);
    for (const auto& [control, position] : host.positions) {
      EXPECT_EQ(control, k) << "fine controller " << row.fine;
    }
  }
}

}  // namespace
}  // namespace kornmill::testing
