// The grain engine: tables, grain pool, random generator and the block renderers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/fixed_point.h"
#include "engine/grain.h"
#include "engine/random.h"
#include "engine/sound_layout.h"

namespace kornmill {

struct Stream;
class StreamTable;

enum class Interpolation { kLinear, kCubic, kSpline };
struct GrainStepFrames;
struct GrainMark;

// The gesture pad's mix, run at the control update while the pad is active.
// Called on the render thread between steps; must not allocate or block.
class GestureMix {
 public:
  virtual ~GestureMix() = default;
  virtual bool active() const = 0;
  virtual bool moved() const = 0;
  virtual void clear_moved() = 0;
  virtual void Apply() = 0;
};

// The block's play list, prepared before each render.
struct RenderContext {
  StreamTable* streams = nullptr;
  Stream* play_list = nullptr;
};

inline constexpr float kOutputClip = 0.9999694228172302f;
inline constexpr int kEnvelopeSize = 8192;
inline constexpr int kEnvelopeGuard = 100;
inline constexpr int kPanSize = 8192;
inline constexpr int kStepFrames = 8;
inline constexpr int kControlUpdateCountdown = 100;

class Engine {
 public:
  // Builds the envelope and pan tables and the built-in sine.
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The built-in 110 Hz sine sound; never freed.
  Sound& sine() { return *sine_; }
  const std::array<float, kEnvelopeSize + kEnvelopeGuard>& envelope() const { return env_; }
  const std::array<float, kPanSize>& pan() const { return pan_; }

  // Output settings. Setting the format also sets the sine's rate constants
  // and reserves grain records for a block.
  void SetOutputFormat(uint32_t rate, bool stereo, int block_frames);
  uint32_t output_rate() const { return rate_; }
  bool stereo() const { return stereo_; }
  int channels() const { return stereo_ ? 2 : 1; }
  int block_frames() const { return block_frames_; }
  void set_one_file_per_stream(bool on) { one_file_per_stream_ = on; }
  bool one_file_per_stream() const { return one_file_per_stream_; }

  void set_interpolation(Interpolation i) { interpolation_ = i; }
  // The stereo mixing kernel: AVX (four frames at once) where the processor
  // has it, else SSE2 (two). Both give the same samples; tests use this to check.
  bool use_avx() const { return use_avx_; }
  void set_use_avx(bool on);
  Interpolation interpolation() const { return interpolation_; }

  int32_t frame_clock() const { return frame_clock_; }
  void reset_frame_clock() { frame_clock_ = 0; }
  int32_t step_countdown() const { return countdown_; }

  bool stopping() const { return stopping_; }
  void set_stopping(bool s) { stopping_ = s; }

  Random& random() { return random_; }
  GrainPool& pool() { return pool_; }
  int active_grains() const { return pool_.active_count(); }
  // Grains started since the engine was made (for summaries and tests).
  uint64_t grains_started() const { return grains_started_; }
  // Where up to `capacity` sounding grains of `sound` read and their envelope
  // values, written to `marks`; returns how many. Called on the render thread
  // between blocks (displays take it once per block): allocates nothing,
  // changes nothing.
  int ReadGrainMarks(const Sound* sound, GrainMark* marks, int capacity) const;

  void set_gesture_mix(GestureMix* mix) { gesture_ = mix; }

  // Play: frame clock 0; for the first stream, the loop position 0 (when
  // `reset_loop`), onset phase 2^28 and controls 0..27 snapped to targets.
  void PrepareForPlay(StreamTable& streams, bool reset_loop);

  // Soft stop: the stopping flag is set and every grain with at least
  // `frames` left is cut to a decay over `frames`.
  void SoftStopGrains(int32_t frames);

  // Clears the first stream's block and builds the play list.
  void PrepareRenderContext(RenderContext& ctx, StreamTable& streams);

  // Add every playing stream's grains for one block and write it, clipped,
  // to `out` (block frames × channels floats). Allocate nothing, lock nothing.
  void RenderLinear(float* out, RenderContext& ctx);
  void RenderCubic(float* out, RenderContext& ctx);
  void RenderSpline(float* out, RenderContext& ctx);
  // The current renderer.
  void Render(float* out, RenderContext& ctx);

  // Prepare, render with the current renderer, then top up the grain pool:
  // the one block path shared by the audio output, the offline renderer and tests.
  void RenderNextBlock(float* out, StreamTable& streams);

  // Keeps enough free grain records for a whole block (one onset per frame),
  // so that the render path never allocates. Call between blocks.
  void ReserveGrains();

  // The control update (runs every 104 frames inside the renderers).
  void UpdateControls(StreamTable& streams);
  // Starts one grain of `s`; null when no record was free (the onset is skipped).
  Grain* StartGrain(Stream& s);

 private:
  template <class Interp>
  void RenderWith(float* out, RenderContext& ctx);
  template <class Interp>
  void RenderStep(float* dst, RenderContext& ctx);
  template <class Interp>
  void RenderGrain(Grain& g, float* dst);
  bool AdvanceGrain(Grain& g, GrainStepFrames& f, uint32_t& divisor);
  const PositionDivider& DividerFor(const Sound& snd);
  void StartOnsets(RenderContext& ctx);
  void AdvanceLoops(RenderContext& ctx);
  int32_t DrawLoopDeviation(const Stream& s);
  void UpdateStream(Stream& s);
  void StartGrainPitch(Grain& g, const Stream& s, double amp, int32_t len);
  void StartGrainEnvelope(Grain& g, const Stream& s, int32_t len);

  std::array<float, kEnvelopeSize + kEnvelopeGuard> env_{};
  std::array<float, kPanSize> pan_{};
  std::unique_ptr<Sound> sine_;
  GrainPool pool_;
  Random random_;
  int32_t frame_clock_ = 0;
  int32_t countdown_ = kStepFrames;
  bool stopping_ = false;
  uint32_t rate_ = 22050;
  bool stereo_ = true;
  int block_frames_ = 256;
  bool one_file_per_stream_ = false;
  Interpolation interpolation_ = Interpolation::kSpline;
  GestureMix* gesture_ = nullptr;
  uint64_t grains_started_ = 0;
  // A block length that is not a multiple of 8 ends inside a step; the rest of
  // that step (clipped output and the stream's own values) opens the next block.
  std::array<float, kStepFrames * 2> step_scratch_{};
  std::array<float, kStepFrames * 2> carry_out_{};
  std::array<float, kStepFrames * 2> carry_block_{};
  int carry_frames_ = 0;
  bool use_avx_ = false;  // the mixing kernel: AVX when the processor has it
  PositionDivider divider_{1};
  const Sound* divider_sound_ = nullptr;
  float divider_scale_ = 0;
};

}  // namespace kornmill
