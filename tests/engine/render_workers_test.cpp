// The render helpers: every part of every job runs exactly once, jobs after long pauses find
// sleeping helpers, and helpers that start late or sleep still stop.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/render_workers.h"

namespace kornmill {
namespace {

struct Counts {
  std::array<std::atomic<int>, 16> runs{};
};

void CountPart(void* context, int part) {
  static_cast<Counts*>(context)->runs[static_cast<size_t>(part)].fetch_add(1);
}

TEST(RenderWorkers, EveryPartOfEveryJobRunsExactlyOnce) {
  RenderWorkers workers(2);
  for (int job = 0; job < 2000; ++job) {
    Counts counts;
    const int parts = 1 + job % 16;
    workers.Run(parts, &CountPart, &counts);
    for (int p = 0; p < 16; ++p) ASSERT_EQ(counts.runs[size_t(p)].load(), p < parts ? 1 : 0) << job;
  }
}

TEST(RenderWorkers, JobsAfterPausesWakeSleepingHelpers) {
  RenderWorkers workers(1);
  for (int job = 0; job < 5; ++job) {
    // Longer than the helpers spin: they are asleep when the job comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Counts counts;
    workers.Run(8, &CountPart, &counts);
    for (int p = 0; p < 8; ++p) ASSERT_EQ(counts.runs[size_t(p)].load(), 1);
  }
}

TEST(RenderWorkers, HelpersStopWhetherTheyStartedLateOrSleep) {
  for (int i = 0; i < 200; ++i) {
    RenderWorkers workers(3);  // destroyed at once, often before the helpers run
    if (i % 2) {
      Counts counts;
      workers.Run(4, &CountPart, &counts);
    }
  }
  RenderWorkers sleeping(2);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace kornmill
