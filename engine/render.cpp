// The block renderers: the step loop of 8 frames, instantiated once per interpolation.
#include <algorithm>
#include <cstring>

#include "controls/stream.h"
#include "engine/engine.h"
#include "engine/fixed_point.h"
#include "engine/interpolation.h"
#include "engine/mix_kernels.h"

namespace kornmill {
namespace {

constexpr uint32_t kPhaseTopBits = 0xF0000000u;

inline float Clip(float v) {
  return std::clamp(v, -kOutputClip, kOutputClip);
}

}  // namespace

// How a grain's value reaches the step: stereo or mono output, one channel or a pair.
enum class MixMode : int { kStereo, kStereoPair, kMono, kMonoPair };

// The divider of the sound last rendered: computing one costs a 64-bit
// division, so it is kept while grains of the same sound follow each other.
const PositionDivider& Engine::DividerFor(const Sound& snd) {
  if (&snd != divider_sound_ || snd.position_scale != divider_scale_) {
    divider_ = PositionDivider(static_cast<uint32_t>(std::max(1, RoundEven(snd.position_scale))));
    divider_sound_ = &snd;
    divider_scale_ = snd.position_scale;
  }
  return divider_;
}

template <class Interp, MixMode kMode>
void Engine::RenderGrainFrames(Grain& g, float* dst) {
  const Sound& snd = *g.sound;
  const PositionDivider& divide = DividerFor(snd);
  const uint32_t sint = divide.divisor;
  const double scale = sint;
  const int stride = snd.channels;
  const float* data = snd.samples.data() + (g.stream->input_mask == kInputRight ? 1 : 0);
  const float* env_table = env_.data();

  int k = 0;
  int32_t counter = g.frame_counter;
  if (counter < 0) {
    k = -counter;
    counter = 0;
  }
  uint32_t pos = static_cast<uint32_t>(g.position);
  int32_t attack_phase = g.attack_phase;
  const int32_t attack_increment = g.attack_increment;
  int32_t decay_phase = g.decay_phase;
  const int32_t decay_decrement = g.decay_decrement;
  const bool decaying = g.remaining <= g.decay_start;
  const double gliss = g.glissando;
  const double increment = g.increment;
  const int32_t fixed_increment = g.increment;
  const float threshold = g.silence_threshold;
  const double left = g.left_gain, right = g.right_gain;

  for (; k < kStepFrames; ++k) {
    float env = 1.0f;
    if (attack_phase < static_cast<int32_t>(kPhaseOne)) {
      env = env_table[attack_phase >> 15];
      attack_phase += attack_increment;
    }
    if (decaying) {
      env = static_cast<float>(double(env_table[decay_phase >> 15]) * env);
      decay_phase -= decay_decrement;
      if (decay_phase < 0) break;
    }
    const uint32_t frame = divide.Quotient(pos);
    const float t = static_cast<float>(double(pos - frame * sint) / scale);
    // Without glissando the step is the increment itself (an exact integer).
    const int32_t step = gliss == 0 ? fixed_increment : RoundEven(gliss * counter + increment);
    pos = (pos + static_cast<uint32_t>(step)) & kPositionMask;
    ++counter;
    if (threshold > env) continue;

    const float* p = data + size_t(frame) * stride;
    const float a = static_cast<float>(double(Interp::Read(p, stride, t)) * env);
    if constexpr (kMode == MixMode::kStereo) {
      dst[2 * k] = static_cast<float>(double(dst[2 * k]) + double(a) * left);
      dst[2 * k + 1] = static_cast<float>(double(dst[2 * k + 1]) + double(a) * right);
    } else if constexpr (kMode == MixMode::kStereoPair) {
      const float b = static_cast<float>(double(Interp::Read(p + 1, stride, t)) * env);
      dst[2 * k] = static_cast<float>(double(dst[2 * k]) + double(a) * left);
      dst[2 * k + 1] = static_cast<float>(double(dst[2 * k + 1]) + double(b) * right);
    } else if constexpr (kMode == MixMode::kMonoPair) {
      // Mono output of a stereo pair: the two channels in equal parts.
      const float b = static_cast<float>(double(Interp::Read(p + 1, stride, t)) * env);
      const float m = static_cast<float>(0.5 * (double(a) + double(b)));
      dst[k] = static_cast<float>(double(dst[k]) + double(m) * left);
    } else {
      dst[k] = static_cast<float>(double(dst[k]) + double(a) * left);
    }
  }
  g.position = static_cast<int32_t>(pos);
  g.frame_counter = counter;
  g.attack_phase = attack_phase;
  g.decay_phase = decay_phase;
}

#if defined(__SSE2__) && defined(__x86_64__)
// Stereo output: the envelope and positions advance frame by frame, then a
// SIMD kernel reads and mixes several frames at once (x86-64).
template <class Interp, bool kPair>
void Engine::RenderGrainPairs(Grain& g, float* dst) {
  const Sound& snd = *g.sound;
  const PositionDivider& divide = DividerFor(snd);
  const uint32_t sint = divide.divisor;
  const float* env_table = env_.data();

  GrainStepFrames f;
  int k = 0;
  int32_t counter = g.frame_counter;
  if (counter < 0) {
    k = -counter;
    counter = 0;
  }
  uint32_t pos = static_cast<uint32_t>(g.position);
  int32_t attack_phase = g.attack_phase;
  int32_t decay_phase = g.decay_phase;
  const bool decaying = g.remaining <= g.decay_start;
  const double gliss = g.glissando;
  const double increment = g.increment;
  const float threshold = g.silence_threshold;
  const int stride = snd.channels;
  bool any = false;
  // Frames that render nothing read frame 0 and are masked out.
  for (int j = 0; j < kStepFrames; ++j) {
    f.rest[j] = 0;
    f.env[j] = 0;
    f.live[j] = 0;
    f.offset[j] = 0;
  }
  for (; k < kStepFrames; ++k) {
    float e = 1.0f;
    if (attack_phase < static_cast<int32_t>(kPhaseOne)) {
      e = env_table[attack_phase >> 15];
      attack_phase += g.attack_increment;
    }
    if (decaying) {
      e = static_cast<float>(double(env_table[decay_phase >> 15]) * e);
      decay_phase -= g.decay_decrement;
      if (decay_phase < 0) break;
    }
    const uint32_t frame = divide.Quotient(pos);
    if (!(threshold > e)) {
      f.rest[k] = static_cast<int32_t>(pos - frame * sint);
      f.env[k] = e;
      f.offset[k] = size_t(frame) * stride;
      f.live[k] = ~uint64_t{0};
      any = true;
    }
    const int32_t step = gliss == 0 ? g.increment : RoundEven(gliss * counter + increment);
    pos = (pos + static_cast<uint32_t>(step)) & kPositionMask;
    ++counter;
  }
  g.position = static_cast<int32_t>(pos);
  g.frame_counter = counter;
  g.attack_phase = attack_phase;
  g.decay_phase = decay_phase;
  if (!any) return;

  const StereoMixArgs args{snd.samples.data() + (g.stream->input_mask == kInputRight ? 1 : 0),
                           stride,
                           double(sint),
                           g.left_gain,
                           g.right_gain,
                           dst};
  if (use_avx_) {
    MixStereoAvx<Interp::kPoints, kPair>(f, args);
  } else {
    MixStereoSse2<Interp::kPoints, kPair>(f, args);
  }
}

#endif

template <class Interp>
void Engine::RenderGrain(Grain& g, float* dst) {
  if (g.decay_phase < 0) return;  // silent until it is removed
  const bool pair = g.stream->input_mask == kInputBoth;
  if (stereo_) {
#if defined(__SSE2__) && defined(__x86_64__)
    pair ? RenderGrainPairs<Interp, true>(g, dst) : RenderGrainPairs<Interp, false>(g, dst);
#else
    pair ? RenderGrainFrames<Interp, MixMode::kStereoPair>(g, dst)
         : RenderGrainFrames<Interp, MixMode::kStereo>(g, dst);
#endif
  } else {
    pair ? RenderGrainFrames<Interp, MixMode::kMonoPair>(g, dst)
         : RenderGrainFrames<Interp, MixMode::kMono>(g, dst);
  }
}

void Engine::StartOnsets(RenderContext& ctx) {
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

// One step of 8 frames: control update, onsets, every active grain mixed
// into `dst` (8 × channels floats), loop advance and clock.
template <class Interp>
void Engine::RenderStep(float* dst, RenderContext& ctx) {
  countdown_ -= kStepFrames;
  if (countdown_ <= 0) {
    if (gesture_ && gesture_->active()) {
      if (gesture_->moved()) gesture_->Apply();
      gesture_->clear_moved();
    }
    if (ctx.streams) UpdateControls(*ctx.streams);
    countdown_ = kControlUpdateCountdown;
  }
  StartOnsets(ctx);

  Grain* prev = pool_.header();
  for (Grain* g = prev->next; g;) {
    RenderGrain<Interp>(*g, dst);
    g->remaining -= kStepFrames;
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

  AdvanceLoops(ctx);
  frame_clock_ = WrapAdd(frame_clock_, kStepFrames);
}

template <class Interp>
void Engine::RenderWith(float* out, RenderContext& ctx) {
  const int nch = channels();
  const int frames = block_frames_;
  Stream* first = ctx.play_list;  // the first stream when it plays
  int off = 0;

  // Frames left over from the previous block's last, partial step.
  if (carry_frames_ > 0) {
    const int n = std::min(carry_frames_, frames);
    std::memcpy(out, carry_out_.data(), sizeof(float) * n * nch);
    if (first) std::memcpy(first->block.data(), carry_block_.data(), sizeof(float) * n * nch);
    carry_frames_ -= n;
    std::memmove(carry_out_.data(), carry_out_.data() + n * nch,
                 sizeof(float) * carry_frames_ * nch);
    std::memmove(carry_block_.data(), carry_block_.data() + n * nch,
                 sizeof(float) * carry_frames_ * nch);
    off = n;
  }

  while (off < frames) {
    const int take = std::min(kStepFrames, frames - off);
    const bool whole = take == kStepFrames && first;
    float* dst = whole ? first->block.data() + off * nch : step_scratch_.data();
    if (!whole) std::fill(step_scratch_.begin(), step_scratch_.end(), 0.0f);
    RenderStep<Interp>(dst, ctx);

    float* o = out + off * nch;
    for (int i = 0; i < take * nch; ++i) o[i] = first ? Clip(dst[i]) : 0.0f;
    if (take < kStepFrames) {
      // A block that ends inside a step: the rest of the step opens the next block.
      if (first) std::memcpy(first->block.data() + off * nch, dst, sizeof(float) * take * nch);
      carry_frames_ = kStepFrames - take;
      for (int i = take * nch; i < kStepFrames * nch; ++i) {
        carry_out_[i - take * nch] = first ? Clip(dst[i]) : 0.0f;
        carry_block_[i - take * nch] = dst[i];
      }
    } else if (!whole && first) {
      std::memcpy(first->block.data() + off * nch, dst, sizeof(float) * take * nch);
    }
    off += take;
  }
}

void Engine::RenderLinear(float* out, RenderContext& ctx) {
  RenderWith<Linear>(out, ctx);
}
void Engine::RenderCubic(float* out, RenderContext& ctx) {
  RenderWith<Cubic>(out, ctx);
}
void Engine::RenderSpline(float* out, RenderContext& ctx) {
  RenderWith<Spline>(out, ctx);
}

}  // namespace kornmill
