// The engine's internals that tests inspect: the grain pool, starting grains, the control
// update, the tables, the kernels and a bare block render.
#pragma once

#include "engine/engine.h"

namespace kornmill {

class EngineTestAccess {
 public:
  static GrainPool& pool(Engine& e) { return e.pool_; }
  static Grain* StartGrain(Engine& e, Stream& s) { return e.StartGrain(s); }
  static void UpdateControls(Engine& e, StreamTable& streams) { e.UpdateControls(streams); }
  static const std::array<float, kEnvelopeSize + kEnvelopeGuard>& envelope(const Engine& e) {
    return e.env_;
  }
  static const std::array<float, kPanSize>& pan(const Engine& e) { return e.pan_; }
  // Renders with the one-frame kernels instead of the processor's SIMD ones.
  static void UseScalarKernels(Engine& e) { e.kernels_ = &ScalarGrainKernels(); }
  static void UseKernels(Engine& e, const GrainKernels* k) { e.kernels_ = k; }
  // Shares every block of more than a few steps between the render threads.
  static void ShareEveryBlock(Engine& e) { e.min_shared_work_ = 0; }
  // One block without the pool top-up that follows it in RenderNextBlock.
  static void RenderOnly(Engine& e, float* out, StreamTable& streams) {
    Engine::RenderContext ctx;
    e.PrepareRenderContext(ctx, streams);
    e.Render(out, ctx);
  }
  static void ReserveGrains(Engine& e) { e.ReserveGrains(); }
};

}  // namespace kornmill
