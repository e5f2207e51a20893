// The string table gives each id its exact text.
#include "resources/strings.h"
#include "resources/ids.h"

#include <gtest/gtest.h>

namespace kornmill {
namespace {

TEST(StringTable, TextsMatchTheirIdsExactly) {
  EXPECT_EQ(LoadText(1528),
            "Sets the time it will take for scroll value changes to take full effect");
  EXPECT_EQ(LoadText(1604), "You must name this bank to save as a file");
  EXPECT_EQ(
      LoadText(40016),
      "Switch between using numbered output files (01-99) or reusing the same file every time.");
  EXPECT_EQ(LoadText(5009), "Sound options");
  EXPECT_EQ(LoadText(5001), "Software\\Klangforge\\Kornmill\\");
  EXPECT_EQ(LoadText(1410),
            "This slot is empty. Shift- or Ctrl-click to store visible values/what you're hearing");
  EXPECT_EQ(LoadText(112), "MIDI input");
  EXPECT_EQ(LoadText(113), "Sound output");
  EXPECT_EQ(LoadText(5036), "MIDI response (6)");
  // The test tone is the built-in 110 Hz sine.
  EXPECT_EQ(LoadText(40007), "Use 110 Hz sine wave as base sound");
}

TEST(StringTable, EveryControlHasADescription) {
  for (int k = 0; k < kControlCount; ++k) {
    EXPECT_FALSE(LoadText(kIdFirstControl + k).empty()) << "control " << k;
  }
  EXPECT_EQ(LoadText(kIdFirstControl + 1),
            "Random deviation from start position of soundfile loop");
}

TEST(StringTable, UnknownIdsGiveEmptyText) {
  EXPECT_TRUE(LoadText(0).empty());
  EXPECT_TRUE(LoadText(40053).empty());  // "&One File Per Stream" has no help text
  EXPECT_TRUE(LoadText(40049).empty());
  EXPECT_TRUE(LoadText(99999).empty());
  EXPECT_TRUE(LoadText(-1).empty());
}

TEST(StringTable, HoldsEveryNumberedText) {
  // 2 page titles, 5 + 7 patch and bank notices, 29 descriptions,
  // 18 value names and 28 menu help texts (the last the Sound View's).
  EXPECT_EQ(TextCount(), 2 + 5 + 7 + 29 + 18 + 28);
  EXPECT_EQ(LoadText(40060).substr(0, 28), "Show or hide the sound view ");
}

}  // namespace
}  // namespace kornmill
