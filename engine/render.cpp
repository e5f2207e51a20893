// The block renderer: plan the block's steps, render each planned grain over all its frames (on
// one thread or several, each taking a stretch of frames, the helpers from the moment the plan
// has passed it), then clip the steps into the block.
#include <algorithm>
#include <cstring>

#include "controls/stream.h"
#include "engine/engine.h"
#include "engine/render_workers.h"

namespace kornmill {
namespace {

// Each thread's stretch of the block is at least this many steps long.
constexpr int kMinStepsPerPart = 4;
// A long block is cut into up to this many parts per thread, each at least
// kMinStepsPerExtraPart long, which the threads take in turn: a thread that runs
// slower, or is woken late, then holds up less of the block.
constexpr int kPartsPerThread = 4;
constexpr int kMinStepsPerExtraPart = 32;

int PartCount(int threads, int steps) {
  const int one_each = std::min(threads, steps / kMinStepsPerPart);
  return std::max(one_each, std::min(threads * kPartsPerThread, steps / kMinStepsPerExtraPart));
}
static_assert(kStepFrames * 2 * sizeof(float) == kCacheLine, "a stereo step of sums fills a line");

inline float Clip(float v) {
  return std::clamp(v, -kOutputClip, kOutputClip);
}

}  // namespace

void Engine::Render(float* out, RenderContext& ctx) {
  const int nch = channels();
  const int carried = std::min(carry_frames_, block_frames_);
  const int frames = block_frames_ - carried;  // frames this block's steps give
  const int steps = (frames + kStepFrames - 1) / kStepFrames;
  last_block_ = out;
  last_carried_ = carried;
  // Frames left over from the previous block's last, partial step come first.
  Stream* first = ctx.play_list;  // the first stream when it plays
  output_ = {out + carried * nch, first ? first->block.data() + carried * nch : nullptr, frames};
  const bool shared = BeginSharedBlock(steps);
  PlanBlock(ctx, steps);
  RenderPlan(shared);
  FinishBlock();

  if (carried > 0) {
    std::memcpy(out, carry_out_.data(), sizeof(float) * carried * nch);
    if (first) std::memcpy(first->block.data(), carry_block_.data(), sizeof(float) * carried * nch);
    carry_frames_ -= carried;
    std::memmove(carry_out_.data(), carry_out_.data() + carried * nch,
                 sizeof(float) * carry_frames_ * nch);
    std::memmove(carry_block_.data(), carry_block_.data() + carried * nch,
                 sizeof(float) * carry_frames_ * nch);
  }
  // A block that ends inside a step: the rest of the step opens the next block.
  const int left = steps * kStepFrames - frames;
  for (int i = 0; i < left * nch; ++i) {
    const float v = mix_[static_cast<size_t>(frames * nch + i)];
    carry_out_[static_cast<size_t>(carry_frames_ * nch + i)] = first ? Clip(v) : 0.0f;
    carry_block_[static_cast<size_t>(carry_frames_ * nch + i)] = v;
  }
  carry_frames_ += left;
}

// The sums of frames `from` to `to` (those of them that belong to this block),
// clipped, into the output; the sums themselves into the first stream's block
// when it plays (silence when nothing plays).
void Engine::WriteOutput(int from, int to) {
  to = std::min(to, output_.frames);
  if (from >= to) return;
  const size_t nch = static_cast<size_t>(channels());
  const size_t begin = static_cast<size_t>(from) * nch, end = static_cast<size_t>(to) * nch;
  float* out = output_.out;
  if (!output_.block) {
    std::fill(out + begin, out + end, 0.0f);
    return;
  }
  for (size_t i = begin; i < end; ++i) out[i] = Clip(mix_[i]);
  std::memcpy(output_.block + begin, mix_.data() + begin, sizeof(float) * (end - begin));
}

// A block is shared when the last one had enough grain-frames for helpers to
// pay (the samples are the same either way). Its parts are whole steps, so
// that no two threads write the same frame, and whole cache lines of the sums
// (two steps of mono), so that they write no line in common either. The side
// job comes first, ready at once: a helper takes it while the plan is made.
bool Engine::BeginSharedBlock(int steps) {
  shared_parts_ = 0;
  if (!workers_ || steps < 2 * kMinStepsPerPart || last_work_ < min_shared_work_) return false;
  const int parts = PartCount(render_threads_, steps);
  const int unit = stereo_ ? 1 : 2;  // steps per cache line of sums
  for (int p = 0; p <= parts; ++p) {
    part_bounds_[static_cast<size_t>(p)] = p == parts ? steps : steps / unit * p / parts * unit;
  }
  side_parts_ = side_job_ ? 1 : 0;
  shared_parts_ = parts;
  workers_->Begin(parts + side_parts_, side_parts_, &Engine::RenderPart, this);
  return true;
}

void Engine::ReleasePart(int part) {
  part_inputs_[static_cast<size_t>(part)] = {plan_.started(), plan_.tick_count()};
  workers_->Release(side_parts_ + part + 1);
}

void Engine::RenderPlan(bool shared) {
  if (shared) {
    workers_->Finish();
    side_job_ = nullptr;
    shared_parts_ = 0;
    return;
  }
  RenderStretch(0, plan_.frames(), plan_.started(), plan_.tick_count());
  if (const SideJob job = side_job_) {
    side_job_ = nullptr;
    job(side_context_);
  }
}

void Engine::RenderPart(void* engine, int part) {
  Engine& e = *static_cast<Engine*>(engine);
  if (part < e.side_parts_) {
    e.side_job_(e.side_context_);
    return;
  }
  const size_t k = static_cast<size_t>(part - e.side_parts_);
  const PartInputs inputs = e.part_inputs_[k];
  e.RenderStretch(e.part_bounds_[k] * kStepFrames, e.part_bounds_[k + 1] * kStepFrames,
                  inputs.started, inputs.ticks);
}

// Frames `from` to `to` of the block's steps: every planned grain's frames
// there, in the order of the active list, so that each frame adds its grains
// in the step loop's order; then those frames out. Grains started after the
// stretch, and ticks after it, have no part in it.
void Engine::RenderStretch(int from, int to, int started, int ticks) {
  const size_t nch = static_cast<size_t>(channels());
  std::fill(mix_.begin() + static_cast<ptrdiff_t>(from * nch),
            mix_.begin() + static_cast<ptrdiff_t>(to * nch), 0.0f);
  const int grains = plan_.sounding() + started;
  for (int i = 0; i < grains; ++i) {
    RenderGrain(plan_.at(i, started), from, to, ticks, plan_.end_at(i, started));
  }
  WriteOutput(from, to);
}

// One grain's frames between `from` and `to`. The stretch that holds the
// grain's last frame in the block leaves its state in `end`.
void Engine::RenderGrain(const GrainPlan& p, int from, int to, int ticks, GrainEnd& end) {
  from = std::max(from, p.first_frame);
  to = std::min(to, p.end_frame);
  if (from >= to) return;
  const Grain& g = *p.grain;
  const GrainVoice& voice = g.voice;
  GrainCursor cursor = p.start;
  SkipGrainFrames(cursor, voice, from - p.first_frame, p.decay_frame - p.first_frame);

  // Long grains take the gains of each control tick that reaches them.
  const bool follows_ticks = g.short_flag == 0;
  float left = p.left_gain, right = p.right_gain;
  int tick = p.first_tick;
  auto take_ticks_to = [&](int frame) {
    for (; follows_ticks && tick < ticks && plan_.tick(tick).frame <= frame; ++tick) {
      const double amp = static_cast<float>(plan_.tick(tick).amplitude[static_cast<size_t>(p.stream)]);
      left = static_cast<float>(double(g.base_left_gain) * amp * kGainScale);
      if (stereo_) right = static_cast<float>(double(g.base_right_gain) * amp * kGainScale);
    }
  };
  take_ticks_to(from);

  const GrainKernel kernel = p.kernel;
  const int nch = channels();
  for (int f = from; f < to && !cursor.silent();) {
    int next = to;
    if (follows_ticks && tick < ticks) next = std::min(next, plan_.tick(tick).frame);
    if (f < p.decay_frame) next = std::min(next, p.decay_frame);
    const GrainRun run{mix_.data() + static_cast<size_t>(f) * nch, next - f, f >= p.decay_frame,
                       left, right};
    kernel(cursor, voice, run);
    f = next;
    take_ticks_to(f);
  }
  if (to == p.end_frame) {
    take_ticks_to(p.end_frame - 1);
    end = GrainEnd{cursor, left, right, true};
  }
}

uint64_t Engine::grains_started_before(int frame) const {
  uint64_t later = 0;
  for (int i = 0; i < plan_.started(); ++i) {
    if (last_carried_ + plan_.started_at(i).first_frame >= frame) ++later;
  }
  return grains_started_ - later;
}

// Every grain takes the state it ended the block with; grains whose remaining
// count ran out give their records back, now that no frame of the block needs
// them any more.
void Engine::FinishBlock() {
  for (int i = 0; i < plan_.size(); ++i) {
    GrainEnd& end = plan_.end_at(i);
    if (!end.written) continue;
    Grain& g = *plan_.at(i).grain;
    g.position = static_cast<int32_t>(end.cursor.position);
    g.frame_counter = end.cursor.counter;
    g.attack_phase = end.cursor.attack;
    g.decay_phase = end.cursor.decay;
    g.left_gain = end.left_gain;
    g.right_gain = end.right_gain;
    end.written = false;
  }
  Grain* prev = pool_.header();
  for (Grain* g = prev->next; g;) {
    if (g->remaining <= 0) {
      --g->sound->live_grains;
      pool_.Release(prev, g);
      pool_.add_active(-1);
      g = prev->next;
    } else {
      prev = g;
      g = g->next;
    }
  }
}

}  // namespace kornmill
