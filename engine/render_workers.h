// Helper threads that share a block's rendering with the render thread, handed work without
// locks or allocation, all at once or part by part as the render thread makes it ready.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace kornmill {

class RenderWorkers {
 public:
  using Task = void (*)(void* context, int part);
  // Jobs have at most this many parts.
  static constexpr int kMaxParts = 4096;

  // Starts `helpers` threads. Allocates; not on the render path.
  explicit RenderWorkers(int helpers);
  // Stops and joins the threads.
  ~RenderWorkers();
  RenderWorkers(const RenderWorkers&) = delete;
  RenderWorkers& operator=(const RenderWorkers&) = delete;

  int helpers() const { return static_cast<int>(threads_.size()); }

  // Render thread: runs task(context, part) for every part from 0 to parts - 1
  // (at most kMaxParts),
  // each exactly once, on this thread and the helpers, and returns when all
  // are done. The caller takes parts itself until none is left, so a helper
  // that is slow to wake costs nothing; it waits only for parts a helper has
  // begun. Helpers run with this thread's floating-point control word.
  // Allocates nothing, takes no lock.
  void Run(int parts, Task task, void* context);

  // The same job in steps, for a caller that makes the parts' inputs while
  // helpers run the first ones: Begin publishes the job with its first
  // `ready` parts, Release(n) lets helpers take parts up to n (what the caller
  // wrote before it is seen by the part's task), and Finish takes the parts
  // that are left on this thread and returns when all are done. Between
  // Begin and Finish this thread runs no part. Allocates nothing, takes no lock.
  void Begin(int parts, int ready, Task task, void* context);
  void Release(int ready);
  void Finish();

 private:
  enum class ClaimResult { kTaken, kNotYet, kNone };
  void HelperLoop();
  // Takes and runs parts of job `generation` while any is left; a helper
  // (`wait` true) waits for parts not yet released, the render thread does not.
  void Work(uint32_t generation, bool wait);
  // Takes the next part of job `generation` and tells the job's part count;
  // kNotYet when the next part is not released yet.
  ClaimResult Claim(uint32_t generation, int& part, int& parts);
  // A helper: waits until part `part` of job `generation` is released or the job changes.
  void WaitForRelease(uint32_t generation, int part);
  // Render thread, after changing what waiting helpers look at: wakes them.
  void WakeWaiting();

  static constexpr int kPartBits = 16;
  static constexpr uint64_t kPartMask = (uint64_t{1} << kPartBits) - 1;

  std::vector<std::thread> threads_;
  // The job. Written by the render thread only while no helper can be inside one of its parts.
  Task task_ = nullptr;
  void* context_ = nullptr;
  uint32_t control_word_ = 0;
  // (generation << 32) | (parts << 16) | next part: claims are valid for one job only.
  std::atomic<uint64_t> claim_{0};
  std::atomic<uint32_t> generation_{0};  // a new job; sleeping helpers wait on it
  std::atomic<uint32_t> done_{0};        // parts finished; the sleeping render thread waits on it
  std::atomic<uint32_t> ready_{0};       // parts released
  // Counts releases and jobs; helpers waiting for a release sleep on it.
  std::atomic<uint32_t> release_seq_{0};
  std::atomic<int> waiting_helpers_{0};  // helpers asleep on release_seq_
  uint32_t parts_ = 0;                   // the current job's parts (render thread)
  std::atomic<int> sleeping_helpers_{0};
  std::atomic<bool> render_sleeping_{false};
  std::atomic<bool> stop_{false};
};

}  // namespace kornmill
