// Engine set-up, play and stop, the control update and the start of a grain.
#include "engine/engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/fixed_point.h"
#include "controls/stream.h"
#include "engine/mix_kernels.h"

namespace kornmill {

void BuildEngineTables(std::array<float, kEnvelopeSize + kEnvelopeGuard>& env,
                       std::array<float, kPanSize>& pan);
std::unique_ptr<Sound> MakeBuiltinSine();

Engine::Engine() : sine_(MakeBuiltinSine()), use_avx_(HaveAvx()) {
  BuildEngineTables(env_, pan_);
  SetOutputFormat(rate_, stereo_, block_frames_);
}

Engine::~Engine() = default;

void Engine::set_use_avx(bool on) {
  use_avx_ = on && HaveAvx();
}

void Engine::SetOutputFormat(uint32_t rate, bool stereo, int block_frames) {
  rate_ = rate;
  stereo_ = stereo;
  block_frames_ = block_frames;
  SetRateConstants(*sine_, rate);
  carry_frames_ = 0;
  ReserveGrains();
}

void Engine::ReserveGrains() {
  // At most one grain starts per frame, so a block's worth of free records
  // (plus a step) means the renderers never run out.
  pool_.Reserve(block_frames_ + kStepFrames);
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

void Engine::Render(float* out, RenderContext& ctx) {
  switch (interpolation_) {
    case Interpolation::kLinear:
      RenderLinear(out, ctx);
      break;
    case Interpolation::kCubic:
      RenderCubic(out, ctx);
      break;
    case Interpolation::kSpline:
      RenderSpline(out, ctx);
      break;
  }
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

int32_t Engine::DrawLoopDeviation(const Stream& s) {
  if (s.val(kLoopLengthRnd) == 0) return 0;
  const int32_t seed = random_.Next();
  return WrapMul(seed >> 8, s.val(kLoopLengthRnd)) / 16;
}

void Engine::UpdateControls(StreamTable& streams) {
  Stream* s = streams.first();
  if (s && s->state >= 1) UpdateStream(*s);
  // Long grains follow the amplitude control while they sound.
  for (Grain* g = pool_.first_active(); g; g = g->next) {
    if (g->short_flag) continue;
    const double a = static_cast<float>(g->stream->amplitude);
    g->left_gain = static_cast<float>(double(g->base_left_gain) * a * 0.001953125);
    if (stereo_) g->right_gain = static_cast<float>(double(g->base_right_gain) * a * 0.001953125);
  }
}

void Engine::UpdateStream(Stream& s) {
  AdvanceGlides(s, frame_clock_);
  s.amplitude = s.val(kAmp);

  const Sound& snd = *s.sound;
  const double scale = snd.position_scale_copy;
  const int32_t p = WrapAdd(WrapMul(s.val(kLoopStart), 65536), s.loop_position) & kPositionMask;
  const int32_t i = Trunc(p / scale);
  const double amp = snd.amp_table[static_cast<size_t>(i / 100)];

  s.loop_length = WrapAdd(WrapMul(s.val(kLoopLength), 65536), s.loop_deviation);

  const int32_t r0 =
      RoundEven(double(snd.position_scale) * s.cur(kRate) / (6000.0 - s.cur(kRateRange) * 11.0));
  const int32_t r =
      WrapAdd(r0, RoundEven(double(static_cast<float>(r0 * amp * 0.001953125)) * s.cur(kRateAm)));
  s.loop_rate = snd.rate_ratio ? WrapMul(r, 2048) / static_cast<int32_t>(snd.rate_ratio) : 0;

  const double freq = s.cur(kGrainFreq);
  const int32_t g0 =
      Trunc(double(static_cast<float>(snd.onset_unit * freq * 35.0)) / (16670.0 - freq));
  int32_t g = g0;
  if (g0 < 536870912) {
    const int32_t seed = random_.Next();
    g = WrapAdd(g0, Trunc(seed / (536870912.0 / g0) * s.cur(kGrainFreqRnd) * 0.00390625));
  }
  s.onset_increment = WrapAdd(
      g, RoundEven(double(static_cast<float>(g * amp * 0.001953125)) * s.cur(kGrainFreqAm)));
}

}  // namespace kornmill
