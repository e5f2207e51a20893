// The gesture pad's arithmetic and corner lists: exact mixes, the marker's range, the initial
// corners.
#include <gtest/gtest.h>

#include "patch_test_util.h"
#include "patches/bank_table.h"
#include "patches/gesture_corners.h"
#include "patches/gesture_mix.h"

namespace kornmill::testing {
namespace {

// A pad of 393 × 334 pixels (dialog units 262 × 223 in a common font).
constexpr GestureRect kPad = {0, 0, 393, 334};

// Four patches with the same value in every control.
struct Corners {
  Corners(int32_t tl, int32_t tr, int32_t bl, int32_t br) {
    values[kTopLeft].fill(tl);
    values[kTopRight].fill(tr);
    values[kBottomLeft].fill(bl);
    values[kBottomRight].fill(br);
  }
  GestureCornerValues view() const { return {&values[0], &values[1], &values[2], &values[3]}; }
  std::array<GestureValues, kGestureCorners> values{};
};

int32_t MixAt(const Corners& c, GesturePoint marker) {
  const GesturePadGeometry g = GesturePadGeometry::OfPad(kPad);
  return ApplyGestureMix(c.view(), marker, g.mix)[0];
}

TEST(GestureGeometry, MarkerRangeAndMixingRectangleFollowThePad) {
  const GesturePadGeometry g = GesturePadGeometry::OfPad({10, 20, 403, 354});
  EXPECT_EQ(g.mix.left, 12);
  EXPECT_EQ(g.mix.top, 22);
  EXPECT_EQ(g.mix.right, 388);
  EXPECT_EQ(g.mix.bottom, 339);  // bottom − 15, as far as the marker goes
  EXPECT_EQ(g.start, (GesturePoint{17, 27}));
  // Held points are clamped to left+9 .. right-8 and top+9 .. bottom-8, less 7.
  EXPECT_EQ(g.MarkerAt({-100, -100}), (GesturePoint{12, 22}));
  EXPECT_EQ(g.MarkerAt({5000, 5000}), (GesturePoint{388, 339}));
  EXPECT_EQ(g.MarkerAt({200, 100}), (GesturePoint{193, 93}));
  // A press starts a drag strictly inside the left and top edges, up to the
  // right and bottom edges.
  EXPECT_FALSE(g.StartsDrag({10, 100}));
  EXPECT_TRUE(g.StartsDrag({11, 100}));
  EXPECT_TRUE(g.StartsDrag({403, 100}));
  EXPECT_FALSE(g.StartsDrag({404, 100}));
  EXPECT_FALSE(g.StartsDrag({100, 20}));
  EXPECT_TRUE(g.StartsDrag({100, 354}));
  EXPECT_FALSE(g.StartsDrag({100, 355}));
}

TEST(GestureMix, EveryCornerOfTheMarkerRangeGivesItsPatchExactly) {
  const GesturePadGeometry g = GesturePadGeometry::OfPad(kPad);
  Corners c(0, 0, 0, 0);
  for (int k = 0; k < kPatchValues; ++k) {
    c.values[kTopLeft][k] = 4096 - k;
    c.values[kTopRight][k] = -16384 + 7 * k;
    c.values[kBottomLeft][k] = 10347 + k;
    c.values[kBottomRight][k] = -511 + 3 * k;
  }
  // The marker dragged into each corner of the pad and beyond, in the corners' order.
  const GesturePoint held[kGestureCorners] = {{-50, -50}, {9999, -50}, {-50, 9999}, {9999, 9999}};
  for (int corner : {kTopLeft, kTopRight, kBottomLeft, kBottomRight}) {
    EXPECT_EQ(ApplyGestureMix(c.view(), g.MarkerAt(held[corner]), g.mix), c.values[corner])
        << corner;
  }
}

TEST(GestureMix, TheCentreWeighsEachCornerAboutAQuarter) {
  // The mixing rectangle 2 .. 378 × 2 .. 319; its centre is (190, 160.5).
  const GesturePoint centre{190, 160};
  EXPECT_EQ(MixAt(Corners(1000, 0, 0, 0), centre), 251);
  EXPECT_EQ(MixAt(Corners(0, 1000, 0, 0), centre), 251);
  EXPECT_EQ(MixAt(Corners(0, 0, 1000, 0), centre), 249);
  EXPECT_EQ(MixAt(Corners(0, 0, 0, 1000), centre), 249);
  EXPECT_EQ(MixAt(Corners(1000, 1000, 1000, 1000), centre), 1000);
}

TEST(GestureMix, OffCentrePointsFollowTheFloat32StepsAndRoundHalvesToEven) {
  // Worked by hand over the mixing rectangle 2 .. 378 × 2 .. 319 (W 376, H 317),
  // each nearness (right − x) / W etc. divided in double and rounded to float32,
  // each weight a float32 product, the sum rounded to float32 after each addition.
  //
  // (101, 250): rx 0.73670214, lx 0.26329789, ry 0.21766561, ly 0.78233439;
  // weights 0.16035472, 0.05731089, 0.57634741, 0.20598699.
  EXPECT_EQ(MixAt(Corners(16384, 25, 10347, 5000), {101, 250}), 9622);    // 9622.0859
  EXPECT_EQ(MixAt(Corners(-16384, 16384, -6144, 0), {101, 250}), -5229);  // -5229.3486
  EXPECT_EQ(MixAt(Corners(1024, 0, 563, 700), {101, 250}), 633);          // 632.8777
  // (345, 252): the sum is 9650.5 exactly, which rounds to the even 9650. Had
  // each product been rounded to float32 before the addition, it would be
  // 9650.5010 and round to 9651.
  EXPECT_EQ(MixAt(Corners(3679, -4700, -8358, 15383), {345, 252}), 9650);
  // (163, 213): 887.49994 (rounded products would give 887.50024, so 888).
  EXPECT_EQ(MixAt(Corners(1074, 8054, -6606, 7169), {163, 213}), 887);
}

TEST(GestureMix, AMixingRectangleWithoutSizeGivesTheTopLeftPatch) {
  const Corners c(100, 200, 300, 400);
  EXPECT_EQ(ApplyGestureMix(c.view(), {5, 5}, {5, 5, 5, 5})[0], 100);
}

// Stored patches in banks, named.
class GestureCornersTest : public ::testing::Test, public StreamFixture {
 protected:
  void Store(int bank, int slot) {
    banks.ApplySlot(stream(), bank, slot, kModShift, GlideTiming{44100, 0, 64});
  }
  std::vector<std::string> Chosen(int shown) {
    banks.set_current_bank(shown);
    const auto items = CornerListItems(banks);
    std::vector<std::string> texts;
    for (int i : InitialCornerItems(items, shown)) texts.push_back(items[size_t(i)].text);
    return texts;
  }
  BankTable banks;
};

TEST_F(GestureCornersTest, ListsHoldDefaultAndEveryStoredPatchWithItsBankNameCut) {
  banks.bank(2).set_name("Granular Clouds");
  banks.bank(0).set_name(
      "\xC3\x84rger \xC3\xBC"
      "ber Stille");  // 17 characters, 19 bytes
  Store(2, 4);
  Store(0, 20);
  Store(7, 1);
  const auto items = CornerListItems(banks);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].text, "Default");
  EXPECT_EQ(items[1].text,
            "A20 (\xC3\x84rger \xC3\xBC"
            "ber S)");
  EXPECT_EQ(items[2].text, "C4 (Granular Clo)");
  EXPECT_EQ(items[3].text, "H1 ()");
  EXPECT_EQ(items[3].code, BankTable::PatchCode(7, 1));  // the codes are the bank table's
}

TEST_F(GestureCornersTest, InitialCornersFollowTheShownBank) {
  // Fewer than four stored patches: "Default" fills the rest.
  Store(3, 2);
  Store(3, 5);
  EXPECT_EQ(Chosen(0), (std::vector<std::string>{"Default", "D2 ()", "D5 ()", "Default"}));
  // Exactly three: "Default" first, then the three in order.
  Store(0, 9);
  EXPECT_EQ(Chosen(3), (std::vector<std::string>{"Default", "A9 ()", "D2 ()", "D5 ()"}));
  // Bank C with at least two and bank D with two, D shown: C's last two, then D's.
  Store(2, 1);
  Store(2, 7);
  Store(2, 12);
  EXPECT_EQ(Chosen(3), (std::vector<std::string>{"C7 ()", "C12 ()", "D2 ()", "D5 ()"}));
  // A shown bank without patches starts from "Default".
  EXPECT_EQ(Chosen(5), (std::vector<std::string>{"Default", "A9 ()", "C1 ()", "C7 ()"}));
}

TEST_F(GestureCornersTest, FourOrMoreInTheShownBankGiveItsFirstFour) {
  for (int slot : {3, 4, 8, 11, 19}) Store(2, slot);
  EXPECT_EQ(Chosen(2), (std::vector<std::string>{"C3 ()", "C4 ()", "C8 ()", "C11 ()"}));
}

}  // namespace
}  // namespace kornmill::testing
