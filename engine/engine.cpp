// Engine set-up, render threads, play and stop, and the block path.
#include "engine/engine.h"

#include <algorithm>

#include "base/fixed_point.h"
#include "controls/stream.h"
#include "engine/render_workers.h"

namespace kornmill {

void BuildEngineTables(std::array<float, kEnvelopeSize + kEnvelopeGuard>& env,
                       std::array<float, kPanSize>& pan);
std::unique_ptr<Sound> MakeBuiltinSine();

Engine::Engine() : sine_(MakeBuiltinSine()) {
  // The widest kernels the processor runs; all of them give the same samples.
  kernels_ = Avx512GrainKernels();
  if (!kernels_) kernels_ = Avx2GrainKernels();
  if (!kernels_) kernels_ = &ScalarGrainKernels();
  BuildEngineTables(env_, pan_);
  SetOutputFormat(rate_, stereo_, block_frames_);
}

Engine::~Engine() = default;

void Engine::SetOutputFormat(uint32_t rate, bool stereo, int block_frames) {
  rate_ = rate;
  stereo_ = stereo;
  block_frames_ = block_frames;
  SetRateConstants(*sine_, rate);
  carry_frames_ = 0;
  // Whole steps covering a block, and the step a block may end inside.
  const int steps = block_frames / kStepFrames + 2;
  mix_.assign(static_cast<size_t>(steps) * kStepFrames * 2, 0.0f);
  ReserveGrains();
}

void Engine::set_render_threads(int threads) {
  threads = std::clamp(threads, 1, kMaxRenderThreads);
  if (threads == render_threads_) return;
  workers_.reset();
  if (threads > 1) workers_ = std::make_unique<RenderWorkers>(threads - 1);
  render_threads_ = threads;
}

void Engine::ReserveGrains() {
  // At most one grain starts per frame, and grains that end in a block keep
  // their records until it is rendered, so a block's worth of free records
  // (plus a step) means the renderer never runs out.
  pool_.Reserve(block_frames_ + kStepFrames);
  const int steps = block_frames_ / kStepFrames + 2;
  plan_.Reserve(pool_.capacity(), steps / (kControlUpdateCountdown / kStepFrames) + 2);
}

void Engine::PrepareForPlay(StreamTable& streams, bool reset_loop) {
  frame_clock_ = 0;
  Stream* s = streams.first();
  if (!s) return;
  if (reset_loop) s->loop_position = 0;
  s->onset_phase = kPhaseOne;
  SnapControlsToTargets(*s);
}

void Engine::SoftStopGrains(int32_t frames) {
  stopping_ = true;
  if (frames < 1) frames = 1;
  for (Grain* g = pool_.first_active(); g; g = g->next) {
    if (g->remaining < frames) continue;
    const int32_t attack = static_cast<int32_t>(kPhaseOne / static_cast<uint32_t>(g->remaining));
    if (attack < g->attack_increment) g->attack_increment = attack;
    g->remaining = frames;
    g->decay_start = frames;
    g->decay_decrement = static_cast<int32_t>(kPhaseOne / static_cast<uint32_t>(frames));
    g->voice_mask = 0;  // the envelope changed
  }
}

void Engine::PrepareRenderContext(RenderContext& ctx, StreamTable& streams) {
  ctx.streams = &streams;
  ctx.play_list = nullptr;
  Stream* s = streams.first();
  if (!s) return;
  std::fill(s->block.begin(), s->block.end(), 0.0f);
  s->next_playing = nullptr;
  const size_t need = static_cast<size_t>(block_frames_) * channels();
  if (s->state > 0 && s->block.size() >= need) ctx.play_list = s;
}

void Engine::RenderNextBlock(float* out, StreamTable& streams) {
  if (Stream* s = streams.first()) {
    const size_t need = static_cast<size_t>(block_frames_) * channels();
    if (s->block.size() != need) s->block.assign(need, 0.0f);
  }
  RenderContext ctx;
  PrepareRenderContext(ctx, streams);
  Render(out, ctx);
  ReserveGrains();
}

}  // namespace kornmill
