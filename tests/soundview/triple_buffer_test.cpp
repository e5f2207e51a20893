// The triple buffer hands over whole snapshots only, the newest first, without waiting.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

#include "soundview/triple_buffer.h"

namespace kornmill {
namespace {

// A snapshot big enough that a torn copy would show: every word holds its sequence number.
struct Numbered {
  std::array<uint64_t, 2048> words{};
};

void Fill(Numbered& n, uint64_t seq) {
  for (uint64_t& w : n.words) w = seq;
}

TEST(TripleBuffer, ReaderGetsTheNewestPublishedSlotOnce) {
  TripleBuffer<Numbered> buffer;
  EXPECT_FALSE(buffer.Update());
  EXPECT_EQ(buffer.front().words[0], 0u);
  for (uint64_t seq = 1; seq <= 3; ++seq) {
    Fill(buffer.back(), seq);
    buffer.Publish();
  }
  ASSERT_TRUE(buffer.Update());
  EXPECT_EQ(buffer.front().words[0], 3u);
  EXPECT_FALSE(buffer.Update());  // nothing new: the front slot stays
  EXPECT_EQ(buffer.front().words[2047], 3u);
  Fill(buffer.back(), 4);  // the writer's slot is never the reader's
  EXPECT_EQ(buffer.front().words[0], 3u);
  buffer.Publish();
  ASSERT_TRUE(buffer.Update());
  EXPECT_EQ(buffer.front().words[0], 4u);
}

TEST(TripleBuffer, ConcurrentReaderOnlySeesCompleteSnapshotsInOrder) {
  TripleBuffer<Numbered> buffer;
  constexpr uint64_t kSnapshots = 20000;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (uint64_t seq = 1; seq <= kSnapshots; ++seq) {
      Fill(buffer.back(), seq);
      buffer.Publish();
    }
    done = true;
  });
  uint64_t last = 0;
  uint64_t taken = 0;
  bool torn = false;
  bool backwards = false;
  for (;;) {
    const bool finished = done.load();
    if (!buffer.Update()) {
      if (finished) break;  // nothing published after the last one taken
      continue;
    }
    const Numbered& n = buffer.front();
    const uint64_t seq = n.words[0];
    for (uint64_t w : n.words) torn = torn || w != seq;
    backwards = backwards || seq <= last;
    last = seq;
    ++taken;
  }
  writer.join();
  EXPECT_FALSE(torn);
  EXPECT_FALSE(backwards);
  EXPECT_GT(taken, 0u);
  EXPECT_EQ(last, kSnapshots);  // the last one published always arrives
}

}  // namespace
}  // namespace kornmill
