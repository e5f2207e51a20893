// Helper threads for block rendering: a job is published through atomics, parts are claimed one
// at a time, and every waiting thread spins briefly before it sleeps.
#include "engine/render_workers.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>
#if defined(__SSE__)
#include <immintrin.h>
#endif
#if defined(__linux__)
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace kornmill {
namespace {

// A helper keeps spinning this long after a job before it sleeps, so that the
// next block (rendered back to back offline, or a few milliseconds later live)
// usually finds it awake; the render thread spins as long for the helpers' parts.
constexpr std::chrono::microseconds kSpinTime{200};

inline void Relax() {
#if defined(__SSE__)
  _mm_pause();
#endif
}

// Spins until `ready()` or the spin time is over; true when ready.
template <class Ready>
bool SpinUntil(Ready ready) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1;; ++i) {
    if (ready()) return true;
    Relax();
    if (i % 64 == 0 && std::chrono::steady_clock::now() - start > kSpinTime) return ready();
  }
}

// Sleeps while `word` holds `expected` (or until woken). Every store that ends
// the wait is followed by a check for sleepers and a Wake.
void Sleep(std::atomic<uint32_t>& word, uint32_t expected) {
#if defined(__linux__)
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, nullptr,
          nullptr, 0);
#else
  (void)word;
  (void)expected;
  std::this_thread::yield();
#endif
}

void Wake(std::atomic<uint32_t>& word, int threads) {
#if defined(__linux__)
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAKE_PRIVATE, threads, nullptr,
          nullptr, 0);
#else
  (void)word;
  (void)threads;
#endif
}

uint32_t ControlWord() {
#if defined(__SSE__)
  return _mm_getcsr();
#else
  return 0;
#endif
}

void SetControlWord(uint32_t word) {
#if defined(__SSE__)
  if (_mm_getcsr() != word) _mm_setcsr(word);
#else
  (void)word;
#endif
}

}  // namespace

RenderWorkers::RenderWorkers(int helpers) {
  threads_.reserve(static_cast<size_t>(helpers));
  for (int i = 0; i < helpers; ++i) threads_.emplace_back([this] { HelperLoop(); });
}

RenderWorkers::~RenderWorkers() {
  stop_.store(true, std::memory_order_relaxed);
  generation_.fetch_add(1, std::memory_order_seq_cst);
  Wake(generation_, INT_MAX);
  WakeWaiting();
  for (std::thread& t : threads_) t.join();
}

void RenderWorkers::Run(int parts, Task task, void* context) {
  if (parts <= 0) return;
  Begin(parts, parts, task, context);
  Finish();
}

void RenderWorkers::Begin(int parts, int ready, Task task, void* context) {
  parts = std::clamp(parts, 0, kMaxParts);
  parts_ = static_cast<uint32_t>(parts);
  task_ = task;
  context_ = context;
  control_word_ = ControlWord();
  done_.store(0, std::memory_order_relaxed);
  ready_.store(static_cast<uint32_t>(std::clamp(ready, 0, parts)), std::memory_order_relaxed);
  const uint32_t generation = generation_.load(std::memory_order_relaxed) + 1;
  // One word holds the job's generation, its part count and the next part, so
  // that a helper still holding a claim word of the last job can never take a
  // part of this one.
  claim_.store(uint64_t{generation} << 32 | uint64_t(parts) << kPartBits,
               std::memory_order_release);
  // Sequentially consistent with the sleepers' count, so that a helper either
  // sees the new job or is counted and woken.
  generation_.store(generation, std::memory_order_seq_cst);
  if (sleeping_helpers_.load(std::memory_order_seq_cst) > 0) Wake(generation_, INT_MAX);
  // A helper that was about to wait for a part of the last job sees this one.
  WakeWaiting();
}

void RenderWorkers::Release(int ready) {
  const uint32_t n = static_cast<uint32_t>(std::clamp(ready, 0, static_cast<int>(parts_)));
  if (n <= ready_.load(std::memory_order_relaxed)) return;
  ready_.store(n, std::memory_order_seq_cst);
  WakeWaiting();
}

// Sequentially consistent with the waiters' count and their reading of the
// count of releases: a helper either sees the change or is woken, and one that
// reads the count before the change finds it moved when it goes to sleep.
void RenderWorkers::WakeWaiting() {
  release_seq_.fetch_add(1, std::memory_order_seq_cst);
  if (waiting_helpers_.load(std::memory_order_seq_cst) > 0) Wake(release_seq_, INT_MAX);
}

void RenderWorkers::Finish() {
  Release(static_cast<int>(parts_));
  const uint32_t generation = generation_.load(std::memory_order_relaxed);
  Work(generation, false);
  // Only parts that a helper has begun are left.
  const uint32_t all = parts_;
  auto all_done = [&] { return done_.load(std::memory_order_acquire) >= all; };
  if (SpinUntil(all_done)) return;
  for (;;) {
    render_sleeping_.store(true, std::memory_order_seq_cst);
    const uint32_t done = done_.load(std::memory_order_seq_cst);
    if (done >= all) break;
    Sleep(done_, done);
  }
  render_sleeping_.store(false, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
}

RenderWorkers::ClaimResult RenderWorkers::Claim(uint32_t generation, int& part, int& parts) {
  uint64_t claim = claim_.load(std::memory_order_acquire);
  for (;;) {
    if (static_cast<uint32_t>(claim >> 32) != generation) return ClaimResult::kNone;
    const int next = static_cast<int>(claim & kPartMask);
    const int count = static_cast<int>((claim >> kPartBits) & kPartMask);
    if (next >= count) return ClaimResult::kNone;
    // A release seen here belongs to this job or a later one; a later one has
    // changed the claim word, and the exchange below fails.
    if (static_cast<uint32_t>(next) >= ready_.load(std::memory_order_acquire)) {
      const uint64_t again = claim_.load(std::memory_order_acquire);
      if (again == claim) {
        part = next;
        return ClaimResult::kNotYet;
      }
      claim = again;
      continue;
    }
    if (claim_.compare_exchange_weak(claim, claim + 1, std::memory_order_acq_rel,
                                     std::memory_order_acquire)) {
      part = next;
      parts = count;
      return ClaimResult::kTaken;
    }
  }
}

void RenderWorkers::Work(uint32_t generation, bool wait) {
  int part = 0, parts = 0;
  for (;;) {
    const ClaimResult claim = Claim(generation, part, parts);
    if (claim == ClaimResult::kNone) return;
    if (claim == ClaimResult::kNotYet) {
      if (!wait) return;
      WaitForRelease(generation, part);
      continue;
    }
    // The job cannot change while this part is unfinished.
    SetControlWord(control_word_);
    task_(context_, part);
    const uint32_t done = done_.fetch_add(1, std::memory_order_seq_cst) + 1;
    if (done == static_cast<uint32_t>(parts) && render_sleeping_.load(std::memory_order_seq_cst)) {
      Wake(done_, 1);
    }
  }
}

void RenderWorkers::WaitForRelease(uint32_t generation, int part) {
  auto moved = [&] {
    return ready_.load(std::memory_order_acquire) > static_cast<uint32_t>(part) ||
           generation_.load(std::memory_order_acquire) != generation;
  };
  if (SpinUntil(moved)) return;
  waiting_helpers_.fetch_add(1, std::memory_order_seq_cst);
  for (;;) {
    const uint32_t seq = release_seq_.load(std::memory_order_seq_cst);
    if (ready_.load(std::memory_order_seq_cst) > static_cast<uint32_t>(part) ||
        generation_.load(std::memory_order_seq_cst) != generation) {
      break;
    }
    Sleep(release_seq_, seq);
  }
  waiting_helpers_.fetch_sub(1, std::memory_order_relaxed);
}

void RenderWorkers::HelperLoop() {
  // The generation the helper was made at: a helper that starts running only
  // after jobs (or the stop) were published still sees them.
  uint32_t seen = 0;
  for (;;) {
    auto published = [&] { return generation_.load(std::memory_order_acquire) != seen; };
    if (!SpinUntil(published)) {
      sleeping_helpers_.fetch_add(1, std::memory_order_seq_cst);
      while (generation_.load(std::memory_order_seq_cst) == seen) Sleep(generation_, seen);
      sleeping_helpers_.fetch_sub(1, std::memory_order_relaxed);
    }
    seen = generation_.load(std::memory_order_acquire);
    if (stop_.load(std::memory_order_relaxed)) return;
    Work(seen, true);
  }
}

}  // namespace kornmill
