// The render helpers: every part of every job runs exactly once, parts handed over in steps run
// only once released, jobs after long pauses find sleeping helpers, and helpers that start late
// or sleep still stop.
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

// A job handed over in steps, as a block is while its plan is made: the
// helpers run each part only after its release, the render thread none before
// Finish, and every part once, also when a release comes after the helpers
// have gone to sleep waiting for it.
struct Stepped {
  std::array<std::atomic<int>, 16> runs{};
  std::atomic<int> released{0};
  std::atomic<bool> finishing{false};
  std::atomic<int> early{0};  // parts run before their release, or by the render thread too soon
  std::thread::id render_thread;
};

void SteppedPart(void* context, int part) {
  Stepped& s = *static_cast<Stepped*>(context);
  if (part >= s.released.load() ||
      (std::this_thread::get_id() == s.render_thread && !s.finishing.load())) {
    s.early.fetch_add(1);
  }
  s.runs[static_cast<size_t>(part)].fetch_add(1);
}

TEST(RenderWorkers, PartsReleasedInStepsRunOnceEachAndNeverEarly) {
  RenderWorkers workers(2);
  for (int job = 0; job < 600; ++job) {
    Stepped s;
    s.render_thread = std::this_thread::get_id();
    const int parts = 1 + job % 16;
    const int ready = job % 3 == 0 ? 1 : 0;
    s.released = ready;
    workers.Begin(parts, ready, &SteppedPart, &s);
    for (int n = ready + 1; n <= parts; ++n) {
      // Now and then longer than the helpers spin, so that they sleep.
      if (job % 50 == 7 && n == parts) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      s.released = n;
      workers.Release(n);
    }
    s.finishing = true;
    workers.Finish();
    ASSERT_EQ(s.early.load(), 0) << job;
    for (int p = 0; p < 16; ++p) ASSERT_EQ(s.runs[size_t(p)].load(), p < parts ? 1 : 0) << job;
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
