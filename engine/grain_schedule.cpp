// The step loop's bookkeeping for a block: control updates, onsets, loop advance and the plan of
// every grain that sounds in the block. Nothing here reads or makes a sample.
#include <algorithm>

#include "controls/stream.h"
#include "engine/engine.h"
#include "base/fixed_point.h"

namespace kornmill {
namespace {

constexpr uint32_t kPhaseTopBits = 0xF0000000u;
constexpr int kLoopUnit = 65536;          // loop start and length count in 65536ths of the sound
constexpr int kAmpTableFrames = 100;      // frames per amplitude-table entry
constexpr double kRateRangeBase = 6000.0;
constexpr double kRateRangeScale = 11.0;
constexpr int kRateRatioUnit = 2048;      // the rate ratio counts in 2048ths
constexpr double kGrainFreqScale = 35.0;
constexpr double kGrainFreqBase = 16670.0;
constexpr int32_t kFreqRandomLimit = 536870912;  // 2^29: onsets faster than that are never randomised
constexpr double kFreqRandomScale = 0.00390625;  // 1/256

MixMode ModeOf(bool stereo, int mask) {
  const bool pair = mask == kInputBoth;
  if (stereo) return pair ? MixMode::kStereoPair : MixMode::kStereo;
  return pair ? MixMode::kMonoPair : MixMode::kMono;
}

}  // namespace

void Engine::PlanBlock(RenderContext& ctx, int steps) {
  plan_.Clear(steps);
  planned_work_ = 0;
  for (Grain* g = pool_.first_active(); g; g = g->next) {
    GrainPlan& p = plan_.AddSounding();
    p.grain = g;
    p.first_frame = 0;
    p.first_tick = 0;
    CompleteEntry(p, ctx.streams);
  }
  int part = 0;
  for (int step = 0; step < steps; ++step) {
    countdown_ -= kStepFrames;
    if (countdown_ <= 0) {
      RunControlTick(ctx, step);
      countdown_ = kControlUpdateCountdown;
    }
    StartOnsets(ctx, step);
    AdvanceLoops(ctx);
    frame_clock_ = WrapAdd(frame_clock_, kStepFrames);
    for (; part < shared_parts_ && part_bounds_[static_cast<size_t>(part) + 1] == step + 1; ++part) {
      ReleasePart(part);
    }
  }
  for (; part < shared_parts_; ++part) ReleasePart(part);  // none is left; every part has its inputs
  last_work_ = planned_work_;
}

// The gesture pad's mix, then the control update; the gain refresh of long
// grains is left to the renderer, which takes each tick's amplitudes.
void Engine::RunControlTick(RenderContext& ctx, int step) {
  if (gesture_ && gesture_->active()) {
    if (gesture_->moved()) gesture_->Apply();
    gesture_->clear_moved();
  }
  if (!ctx.streams) return;
  StreamTable& streams = *ctx.streams;
  Stream* s = streams.first();
  if (s && s->state >= 1) UpdateStream(*s);
  ControlTick tick;
  tick.frame = step * kStepFrames;
  for (int i = 0; i < streams.count(); ++i) tick.amplitude[static_cast<size_t>(i)] = streams[i].amplitude;
  plan_.AddTick(tick);
}

void Engine::StartOnsets(RenderContext& ctx, int step) {
  for (Stream* s = ctx.play_list; s; s = s->next_playing) {
    const uint32_t inc = static_cast<uint32_t>(s->onset_increment);
    if (stopping_ || s->onset_phase + 7 * inc < kPhaseOne) {
      s->onset_phase += 8 * inc;
      continue;
    }
    for (int j = 0; j < kStepFrames; ++j) {
      if (s->onset_phase & kPhaseTopBits) {
        s->onset_phase &= kPositionMask;
        if (Grain* g = StartGrain(*s)) {
          g->frame_counter = -j;
          pool_.add_active(1);
          GrainPlan& p = plan_.AddStarted();
          p.grain = g;
          p.first_frame = step * kStepFrames + j;
          p.first_tick = plan_.tick_count();  // a tick of this step came before the grain
          CompleteEntry(p, ctx.streams);
        }
      }
      s->onset_phase += inc;
    }
  }
}

void Engine::AdvanceLoops(RenderContext& ctx) {
  for (Stream* s = ctx.play_list; s; s = s->next_playing) {
    s->loop_position = WrapAdd(s->loop_position, WrapMul(kStepFrames, s->loop_rate));
    bool wrapped = false;
    if (s->loop_position > s->loop_length) {
      s->loop_deviation = DrawLoopDeviation(*s);
      s->loop_position = WrapSub(s->loop_position, s->loop_length);
      wrapped = true;
    } else if (s->loop_position < 0) {
      s->loop_deviation = DrawLoopDeviation(*s);
      s->loop_position = WrapAdd(s->loop_position, s->loop_length);
      wrapped = true;
    }
    if (wrapped && s->hard_sync) s->onset_phase = kPhaseOne;
  }
}

// A grain renders from its first frame to the end of the step in which its
// remaining count runs out (at least that one step); its decay begins with the
// first step whose remaining count is at or below the decay start. Nothing else
// in the step loop reads what this takes from the grain or changes in it, so
// the entry is complete as soon as the grain is met.
void Engine::CompleteEntry(GrainPlan& p, const StreamTable* streams) {
  const int steps = plan_.steps();
  const Stream* first_stream = streams && streams->count() > 0 ? &(*streams)[0] : nullptr;
  {
    Grain& g = *p.grain;
    const int first_step = p.first_frame / kStepFrames;
    const int64_t remaining = g.remaining;
    const int64_t steps_left = remaining <= 0 ? 1 : (remaining + kStepFrames - 1) / kStepFrames;
    const int end_step = static_cast<int>(std::min<int64_t>(steps, first_step + steps_left));
    const int64_t over = remaining - g.decay_start;
    const int64_t decay_step =
        first_step + (over <= 0 ? 0 : (over + kStepFrames - 1) / kStepFrames);
    p.end_frame = end_step * kStepFrames;
    p.decay_frame = static_cast<int>(std::min<int64_t>(decay_step, end_step)) * kStepFrames;
    p.stream = first_stream ? static_cast<int32_t>(std::clamp<ptrdiff_t>(
                                  g.stream - first_stream, 0, StreamTable::kCapacity - 1))
                            : 0;
    p.start.position = static_cast<uint32_t>(g.position);
    p.start.counter = std::max(0, g.frame_counter);  // a new grain counts from its first frame
    p.start.attack = g.attack_phase;
    p.start.decay = g.decay_phase;
    p.left_gain = g.left_gain;
    p.right_gain = g.right_gain;
    const int mask = g.stream->input_mask;
    p.kernel = kernels_->Get(interpolation_, ModeOf(stereo_, mask));
    if (g.voice_mask != mask) {
      g.voice = MakeGrainVoice(*g.sound, mask, g.increment, g.glissando, g.attack_increment,
                               g.decay_decrement, g.silence_threshold, env_.data());
      g.voice_mask = mask;
    }
    g.remaining = WrapSub(g.remaining, WrapMul(kStepFrames, end_step - first_step));
    planned_work_ += p.end_frame - p.first_frame;
  }
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
    g->left_gain = static_cast<float>(double(g->base_left_gain) * a * kGainScale);
    if (stereo_) g->right_gain = static_cast<float>(double(g->base_right_gain) * a * kGainScale);
  }
}

void Engine::UpdateStream(Stream& s) {
  AdvanceGlides(s, frame_clock_);
  s.amplitude = s.val(kAmp);

  const Sound& snd = *s.sound;
  const double scale = snd.position_scale_copy;
  const int32_t p =
      WrapAdd(WrapMul(s.val(kLoopStart), kLoopUnit), s.loop_position) & kPositionMask;
  const int32_t i = Trunc(p / scale);
  const double amp = snd.amp_table[static_cast<size_t>(i / kAmpTableFrames)];

  s.loop_length = WrapAdd(WrapMul(s.val(kLoopLength), kLoopUnit), s.loop_deviation);

  const int32_t r0 = RoundEven(double(snd.position_scale) * s.cur(kRate) /
                               (kRateRangeBase - s.cur(kRateRange) * kRateRangeScale));
  const int32_t r =
      WrapAdd(r0, RoundEven(double(static_cast<float>(r0 * amp * kGainScale)) * s.cur(kRateAm)));
  s.loop_rate = snd.rate_ratio ? WrapMul(r, kRateRatioUnit) / static_cast<int32_t>(snd.rate_ratio)
                               : 0;

  const double freq = s.cur(kGrainFreq);
  const int32_t g0 = Trunc(double(static_cast<float>(snd.onset_unit * freq * kGrainFreqScale)) /
                           (kGrainFreqBase - freq));
  int32_t g = g0;
  if (g0 < kFreqRandomLimit) {
    const int32_t seed = random_.Next();
    g = WrapAdd(g0, Trunc(seed / (double(kFreqRandomLimit) / g0) * s.cur(kGrainFreqRnd) *
                          kFreqRandomScale));
  }
  s.onset_increment = WrapAdd(
      g, RoundEven(double(static_cast<float>(g * amp * kGainScale)) * s.cur(kGrainFreqAm)));
}

}  // namespace kornmill
