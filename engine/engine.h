// The grain engine: tables, grain pool, random generator and the block renderer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/fixed_point.h"
#include "engine/aligned_buffer.h"
#include "engine/block_plan.h"
#include "engine/grain.h"
#include "engine/grain_kernel.h"
#include "engine/random.h"
#include "engine/sound_layout.h"

namespace kornmill {

struct Stream;
class StreamTable;

struct GrainMark;
class RenderWorkers;

// The gesture pad's mix, run at the control update while the pad is active.
// Called on the render thread between steps, before the control update; it
// changes control targets only. Must not allocate or block.
class GestureMix {
 public:
  virtual ~GestureMix() = default;
  virtual bool active() const = 0;
  virtual bool moved() const = 0;
  virtual void clear_moved() = 0;
  virtual void Apply() = 0;
};

inline constexpr float kOutputClip = 0.9999694228172302f;
inline constexpr int kEnvelopeSize = 8192;
inline constexpr int kEnvelopeGuard = 100;
inline constexpr int kPanSize = 8192;
inline constexpr int kStepFrames = 8;
inline constexpr int kControlUpdateCountdown = 100;
// Amplitudes and modulation depths count in 512ths.
inline constexpr double kGainScale = 1.0 / 512;

// All of it runs on the render thread (the thread that renders blocks; the
// main thread in the program), between blocks unless said otherwise.
class Engine {
 public:
  // Builds the envelope and pan tables and the built-in sine.
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The built-in 110 Hz sine sound; never freed.
  Sound& sine() { return *sine_; }

  // Output settings. Setting the format also sets the sine's rate constants
  // and reserves grain records for a block.
  void SetOutputFormat(uint32_t rate, bool stereo, int block_frames);
  uint32_t output_rate() const { return rate_; }
  bool stereo() const { return stereo_; }
  int channels() const { return stereo_ ? 2 : 1; }
  int block_frames() const { return block_frames_; }

  void set_interpolation(Interpolation i) { interpolation_ = i; }
  Interpolation interpolation() const { return interpolation_; }

  // Threads that render a block together (1: the render thread alone), 1 to
  // kMaxRenderThreads. Every count gives the same samples. Starts or stops
  // helper threads: allocates; only between blocks.
  static constexpr int kMaxRenderThreads = 64;
  void set_render_threads(int threads);
  int render_threads() const { return render_threads_; }

  int32_t frame_clock() const { return frame_clock_; }
  void reset_frame_clock() { frame_clock_ = 0; }

  bool stopping() const { return stopping_; }
  void set_stopping(bool s) { stopping_ = s; }

  int active_grains() const { return pool_.active_count(); }
  // Grains started since the engine was made (for summaries and tests).
  uint64_t grains_started() const { return grains_started_; }
  // The last block rendered (the output Render was given), and the grains
  // started before its frame `frame`: those of earlier blocks and those it
  // started in its first `frame` frames.
  const float* last_block() const { return last_block_; }
  uint64_t grains_started_before(int frame) const;

  // A job the next block's render runs once, beside the grains: on one of the
  // render threads alongside the block's parts when the block is shared, else
  // after the block's samples. Null clears it. The job must not touch the
  // engine; it runs inside the render, so a live caller must give one that
  // neither allocates nor blocks. Render thread only.
  using SideJob = void (*)(void* context);
  void set_side_job(SideJob job, void* context) {
    side_job_ = job;
    side_context_ = context;
  }
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

  // Renders one block of every playing stream's grains into `out` (block
  // frames × channels floats, clipped) with the current interpolation, then
  // tops up the grain pool: the one block path shared by the audio output,
  // the offline renderer and tests.
  void RenderNextBlock(float* out, StreamTable& streams);

 private:
  friend class EngineTestAccess;

  // The block's play list, prepared before each render.
  struct RenderContext {
    StreamTable* streams = nullptr;
    Stream* play_list = nullptr;
  };

  // Clears the first stream's block and builds the play list.
  void PrepareRenderContext(RenderContext& ctx, StreamTable& streams);
  // Plans the block, renders its grains and writes it, clipped, to `out`.
  // Allocates nothing, locks nothing.
  void Render(float* out, RenderContext& ctx);
  // Keeps enough free grain records (and plan room) for a whole block, one
  // onset per frame, so that the render path never allocates. Between blocks.
  void ReserveGrains();

  // The step loop's bookkeeping over `steps` steps (grain_schedule.cpp). When
  // the block is shared, each part is handed to the helpers as soon as the
  // loop has passed its last step.
  void PlanBlock(RenderContext& ctx, int steps);
  void RunControlTick(RenderContext& ctx, int step);
  void StartOnsets(RenderContext& ctx, int step);
  void AdvanceLoops(RenderContext& ctx);
  // Where a planned grain ends and begins its decay, and where it stands at its first frame.
  // `streams` is the block's stream table: the entry's stream index counts from its first stream.
  void CompleteEntry(GrainPlan& p, const StreamTable* streams);
  int32_t DrawLoopDeviation(const Stream& s);
  // The control update: the first stream's controls, then the gains of long grains.
  void UpdateControls(StreamTable& streams);
  void UpdateStream(Stream& s);

  // Rendering the plan (render.cpp).
  // Cuts the block into parts for the render threads and hands the helpers
  // the side job; false when the block is rendered on this thread alone.
  bool BeginSharedBlock(int steps);
  // The plan has passed every step of part `part`: helpers may render it.
  void ReleasePart(int part);
  void RenderPlan(bool shared);
  static void RenderPart(void* engine, int part);
  // Frames `from` to `to` of the grains sounding at the block's start and
  // the first `started` it started, with the first `ticks` control ticks.
  void RenderStretch(int from, int to, int started, int ticks);
  void RenderGrain(const GrainPlan& p, int from, int to, int ticks, GrainEnd& end);
  void FinishBlock();
  void WriteOutput(int from, int to);

  // Starting a grain (grain_start.cpp). Null when no record was free (the onset is skipped).
  Grain* StartGrain(Stream& s);
  void StartGrainPosition(Grain& g, const Stream& s);
  int32_t StartGrainLength(const Stream& s, float length, double amp);
  void StartGrainGains(Grain& g, const Stream& s, double amp);
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
  Interpolation interpolation_ = Interpolation::kSpline;
  GestureMix* gesture_ = nullptr;
  uint64_t grains_started_ = 0;
  const float* last_block_ = nullptr;
  SideJob side_job_ = nullptr;
  void* side_context_ = nullptr;
  int last_carried_ = 0;  // frames of the last block that an earlier block's last step gave

  BlockPlan plan_;
  CacheLineVector<float> mix_;  // the block's steps: the grains' sum before clipping
  // Where the block's whole steps go while it renders: clipped into `out`, and
  // as they are into `block` (the first stream's, when it plays; else null).
  struct BlockOutput {
    float* out = nullptr;
    float* block = nullptr;
    int frames = 0;  // mix frames that belong to this block
  } output_;
  // A block length that is not a multiple of 8 ends inside a step; the rest of
  // that step (clipped output and the stream's own values) opens the next block.
  std::array<float, kStepFrames * 2> carry_out_{};
  std::array<float, kStepFrames * 2> carry_block_{};
  int carry_frames_ = 0;

  const GrainKernels* kernels_ = nullptr;  // the widest the processor runs
  int render_threads_ = 1;
  std::unique_ptr<RenderWorkers> workers_;
  // Grain-frames a block needs before helper threads take part: below it they
  // cost more than they save.
  int64_t min_shared_work_ = 4096;
  int64_t planned_work_ = 0;  // grain-frames planned in this block so far
  int64_t last_work_ = 0;     // and in the last block, which decides whether this one is shared
  // The shared block's parts: part k renders steps part_bounds_[k] to
  // part_bounds_[k + 1] with the grains started and the ticks made before its end.
  struct PartInputs {
    int32_t started = 0;
    int32_t ticks = 0;
  };
  static constexpr int kMaxBlockParts = kMaxRenderThreads * 4;  // four parts a thread at most
  int shared_parts_ = 0;   // 0: the block is not shared
  int side_parts_ = 0;     // 1 when the side job comes first among the shared block's parts
  std::array<int32_t, kMaxBlockParts + 1> part_bounds_{};
  std::array<PartInputs, kMaxBlockParts> part_inputs_{};
};

}  // namespace kornmill
