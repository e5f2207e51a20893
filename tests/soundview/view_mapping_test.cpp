// Pixel columns to loop start and length values, and frames to columns: exact tables.
#include <gtest/gtest.h>

#include "soundview/view_mapping.h"

namespace kornmill {
namespace {

TEST(ViewMapping, ColumnsGiveStartValuesRoundedAndClamped) {
  const ViewMapping map(800);
  EXPECT_EQ(map.StartValueAt(0), 0);
  EXPECT_EQ(map.StartValueAt(1), 5);  // 5.12
  EXPECT_EQ(map.StartValueAt(200), 1024);
  EXPECT_EQ(map.StartValueAt(400), 2048);
  EXPECT_EQ(map.StartValueAt(799), 4091);  // 4090.88
  EXPECT_EQ(map.StartValueAt(800), 4096);
  EXPECT_EQ(map.StartValueAt(-30), 0);
  EXPECT_EQ(map.StartValueAt(5000), 4096);
}

TEST(ViewMapping, LengthRunsFromTheStartAndWrapsLeftOfIt) {
  const ViewMapping map(800);
  EXPECT_EQ(map.LengthValueAt(600, 2048), 1024);
  EXPECT_EQ(map.LengthValueAt(400, 2048), 0);
  EXPECT_EQ(map.LengthValueAt(200, 2048), 3072);  // past the end and round to 1024
  EXPECT_EQ(map.LengthValueAt(800, 0), 4096);
}

TEST(ViewMapping, FramesMapToColumns) {
  const ViewMapping map(800);
  EXPECT_EQ(map.XOfFrame(0, 44100), 0);
  EXPECT_EQ(map.XOfFrame(22050, 44100), 400);
  EXPECT_EQ(map.XOfFrame(44099, 44100), 799);
  EXPECT_EQ(map.XOfFrame(50000, 44100), 800);
  EXPECT_EQ(map.XOfFrame(10, 0), 0);
}

}  // namespace
}  // namespace kornmill
