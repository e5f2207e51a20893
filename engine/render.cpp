// The block renderers: the step loop of 8 frames, instantiated once per interpolation.
#include <algorithm>
#include <cstring>

#include "base/fixed_point.h"
#include "controls/stream.h"
#include "engine/engine.h"
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
enum class MixMode { kStereo, kStereoPair, kMono, kMonoPair };

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

// The envelope and read positions of one grain's step, frame by frame; what
// each frame reads is left in `f` for the mixing pass. Returns false when no
// frame of the step renders anything.
bool Engine::AdvanceGrain(Grain& g, GrainStepFrames& f, uint32_t& divisor) {
  const Sound& snd = *g.sound;
  const PositionDivider& divide = DividerFor(snd);
  const uint32_t sint = divide.divisor;
  divisor = sint;
  const float* env_table = env_.data();
  // Frames that render nothing read frame 0 and are masked out.
  for (int j = 0; j < kStepFrames; ++j) {
    f.rest[j] = 0;
    f.env[j] = 0;
    f.live[j] = 0;
    f.offset[j] = 0;
  }
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
  for (; k < kStepFrames; ++k) {
    float e = 1.0f;
    if (attack_phase < static_cast<int32_t>(kPhaseOne)) {
      e = env_table[attack_phase >> 15];
      attack_phase += g.attack_increment;
    }
    if (decaying) {
      e = static_cast<float>(double(env_table[decay_phase >> 15]) * e);
      decay_phase -= g.decay_decrement;
      if (decay_phase < 0) break;  // silent for the rest of its life
    }
    const uint32_t frame = divide.Quotient(pos);
    if (!(threshold > e)) {  // envelope values below the threshold are not rendered
      f.rest[k] = static_cast<int32_t>(pos - frame * sint);
      f.env[k] = e;
      f.offset[k] = size_t(frame) * stride;
      f.live[k] = ~uint64_t{0};
      any = true;
    }
    // Without glissando the step is the increment itself (an exact integer).
    const int32_t step = gliss == 0 ? g.increment : RoundEven(gliss * counter + increment);
    pos = (pos + static_cast<uint32_t>(step)) & kPositionMask;
    ++counter;
  }
  g.position = static_cast<int32_t>(pos);
  g.frame_counter = counter;
  g.attack_phase = attack_phase;
  g.decay_phase = decay_phase;
  return any;
}

namespace {

// The mixing pass one frame at a time: mono output, and stereo where no SIMD kernel exists.
template <class Interp, MixMode kMode>
void MixScalar(const GrainStepFrames& f, const StereoMixArgs& m) {
  for (int k = 0; k < kStepFrames; ++k) {
    if (!f.live[k]) continue;
    const float t = static_cast<float>(double(f.rest[k]) / m.divisor);
    const float* p = m.data + f.offset[k];
    const double e = f.env[k];
    const float a = static_cast<float>(double(Interp::Read(p, m.stride, t)) * e);
    float* dst = m.dst;
    if constexpr (kMode == MixMode::kStereo || kMode == MixMode::kStereoPair) {
      const float b = kMode == MixMode::kStereoPair
                          ? static_cast<float>(double(Interp::Read(p + 1, m.stride, t)) * e)
                          : a;
      dst[2 * k] = static_cast<float>(double(dst[2 * k]) + double(a) * m.left);
      dst[2 * k + 1] = static_cast<float>(double(dst[2 * k + 1]) + double(b) * m.right);
    } else if constexpr (kMode == MixMode::kMonoPair) {
      // Mono output of a stereo pair: the two channels in equal parts.
      const float b = static_cast<float>(double(Interp::Read(p + 1, m.stride, t)) * e);
      const float mid = static_cast<float>(0.5 * (double(a) + double(b)));
      dst[k] = static_cast<float>(double(dst[k]) + double(mid) * m.left);
    } else {
      dst[k] = static_cast<float>(double(dst[k]) + double(a) * m.left);
    }
  }
}

}  // namespace

template <class Interp>
void Engine::RenderGrain(Grain& g, float* dst) {
  if (g.decay_phase < 0) return;  // silent until it is removed
  GrainStepFrames f;
  uint32_t divisor;
  if (!AdvanceGrain(g, f, divisor)) return;
  const StereoMixArgs m{g.sound->samples.data() + (g.stream->input_mask == kInputRight ? 1 : 0),
                        g.sound->channels,
                        double(divisor),
                        g.left_gain,
                        g.right_gain,
                        dst};
  const bool pair = g.stream->input_mask == kInputBoth;
  if (!stereo_) {
    pair ? MixScalar<Interp, MixMode::kMonoPair>(f, m) : MixScalar<Interp, MixMode::kMono>(f, m);
    return;
  }
#if defined(__SSE2__) && defined(__x86_64__)
  if (use_avx_) {
    pair ? MixStereoAvx<Interp::kPoints, true>(f, m) : MixStereoAvx<Interp::kPoints, false>(f, m);
  } else {
    pair ? MixStereoSse2<Interp::kPoints, true>(f, m) : MixStereoSse2<Interp::kPoints, false>(f, m);
  }
#else
  pair ? MixScalar<Interp, MixMode::kStereoPair>(f, m) : MixScalar<Interp, MixMode::kStereo>(f, m);
#endif
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
