// The render path allocates nothing: counted through the global allocation functions.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine_fixture.h"

#include "../allocation_counter.h"

namespace kornmill {
namespace {

using test::EngineFixture;

TEST_F(EngineFixture, RenderingABlockAllocatesNothingEvenWhenGrainsPileUp) {
  Set(kGrainFreq, 16384);   // 2000 grains a second
  Set(kGrainLength, 2048);  // of 4 s each: thousands sounding at once
  Set(kPanRnd, 100);
  Play();
  RenderBlock();  // sizes the stream's block
  for (Interpolation interp :
       {Interpolation::kLinear, Interpolation::kCubic, Interpolation::kSpline}) {
    engine->set_interpolation(interp);
    // Handing a block to helper threads allocates nothing either.
    engine->set_render_threads(interp == Interpolation::kCubic ? 2 : 1);
    for (int b = 0; b < 100; ++b) {
      counting = true;
      EngineTestAccess::RenderOnly(*engine, out.data(), streams);
      counting = false;
      EngineTestAccess::ReserveGrains(*engine);  // between blocks, outside the render path
    }
  }
  EXPECT_GT(engine->active_grains(), 2000);
  EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
}  // namespace kornmill
