// The control reference: one row per control of the table with its range and default, read as
// the status bar reads them.
#include <gtest/gtest.h>

#include <string>

#include "built_files.h"
#include "controls/control_table.h"
#include "manual/control_reference.h"
#include "manual/html_blocks.h"

namespace kornmill {
namespace {

struct Row {
  int min = 0, max = 0, def = 0;
  std::string range, default_text;
};

// The text between `open` and the next `close` from `at` on; moves `at` past it.
std::string Between(const std::string& html, size_t& at, const std::string& open,
                    const std::string& close) {
  const size_t start = html.find(open, at);
  if (start == std::string::npos) return {};
  const size_t end = html.find(close, start + open.size());
  at = end == std::string::npos ? html.size() : end + close.size();
  return html.substr(start + open.size(), end - start - open.size());
}

// The rows of the reference in page order.
std::vector<std::pair<int, Row>> Rows(const std::string& html) {
  std::vector<std::pair<int, Row>> rows;
  size_t at = 0;
  while (html.find("<tr id=\"control-", at) != std::string::npos) {
    const int k = std::stoi(Between(html, at, "<tr id=\"control-", "\""));
    Row row;
    row.min = std::stoi(Between(html, at, "data-min=\"", "\""));
    row.max = std::stoi(Between(html, at, "data-max=\"", "\""));
    row.def = std::stoi(Between(html, at, "data-default=\"", "\""));
    row.range = PlainText(Between(html, at, "<td class=\"range\">", "</td>"));
    row.default_text = PlainText(Between(html, at, "<td class=\"default\">", "</td>"));
    rows.push_back({k, row});
  }
  return rows;
}

TEST(ControlReference, ListsEveryControlOfTheTableOnceInOrderAndTheBuiltPageHoldsIt) {
  const std::string html = ControlReferenceHtml();
  EXPECT_NE(ReadText(kShare / "help/controls.html").find(html), std::string::npos)
      << "the built controls.html does not hold the reference";
  const auto rows = Rows(html);
  ASSERT_EQ(rows.size(), size_t(kControls));
  for (int k = 0; k < kControls; ++k) {
    const ControlRow& table = kControlTable[static_cast<size_t>(k)];
    EXPECT_EQ(rows[k].first, k);
    EXPECT_EQ(rows[k].second.min, table.minimum) << "control " << k;
    EXPECT_EQ(rows[k].second.max, table.maximum) << "control " << k;
    EXPECT_EQ(rows[k].second.def, DefaultValue(k)) << "control " << k;
  }
}

// The texts themselves are the controls' own; these are the reference's: the loop as per cent of
// the sound, the rate range as a rate, the change time in seconds, and the ends of the ranges.
TEST(ControlReference, RangesAndDefaultsInTheStatusBarsUnits) {
  const auto rows = Rows(ControlReferenceHtml());
  ASSERT_EQ(rows.size(), size_t(kControls));
  const auto range = [&](int k) { return rows[k].second.range; };
  const auto def = [&](int k) { return rows[k].second.default_text; };
  EXPECT_EQ(range(kLoopStart), "0.00 % of the sound \xE2\x80\xA6 100.00 % of the sound");
  EXPECT_EQ(def(kLoopLength), "100.00 % of the sound");
  EXPECT_EQ(range(kRate), "1:-2.0049 \xE2\x80\xA6 1:2.0049");
  // The rate range reads as the rate at the top of the rate scrollbar.
  EXPECT_EQ(range(kRateRange), "1:1.3653 \xE2\x80\xA6 1:22.2609");
  EXPECT_EQ(range(kGrainFreq), "1 per 19.023 sec \xE2\x80\xA6 2005.000 per sec");
  EXPECT_EQ(range(kGrainLength), "0.0002 secs \xE2\x80\xA6 16.0000 secs");
  EXPECT_EQ(range(kPitch), "+60.000 semitones, reverse \xE2\x80\xA6 +60.000 semitones");
  EXPECT_EQ(range(kGliss), "-48.000 semitones \xE2\x80\xA6 +48.000 semitones");
  EXPECT_EQ(range(kAttackRnd), "0.00 % \xE2\x80\xA6 99.61 %");
  EXPECT_EQ(def(kAmp), "90.04 %");
  EXPECT_EQ(range(kGrainFreqAm), "-100.00 % \xE2\x80\xA6 100.00 %");
  EXPECT_EQ(range(kPan), "100.0% right \xE2\x80\xA6 100.0% left");
  EXPECT_EQ(range(kChangeTimeControl), "0.02 s \xE2\x80\xA6 64.00 s");
  EXPECT_EQ(def(kChangeTimeControl), "1.00 s");
}

TEST(ControlReference, ValueTextsFollowTheOtherControls) {
  std::array<int, kControls> values{};
  for (int k = 0; k < kControls; ++k) values[k] = DefaultValue(k);
  values[kRate] = 2043;
  EXPECT_EQ(ControlValueText(kRate, values), "1:0.5000");
  // The same rate position means a faster rate at the top of the range.
  values[kRateRange] = kControlTable[kRateRange].maximum;
  EXPECT_EQ(ControlValueText(kRate, values), "1:5.5516");
}

}  // namespace
}  // namespace kornmill
