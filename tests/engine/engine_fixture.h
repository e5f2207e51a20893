// A fresh engine and stream table, playing, for each engine test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "controls/stream.h"
#include "engine_access.h"
#include "test_sounds.h"

namespace kornmill::test {

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override { Setup(44100, true, 256); }

  // A fresh engine and stream table: nothing carries over from an earlier render.
  void Setup(uint32_t rate, bool stereo, int block) {
    engine = std::make_unique<Engine>();
    engine->SetOutputFormat(rate, stereo, block);
    streams = StreamTable();
    streams.InitStreams(&engine->sine());
    out.assign(static_cast<size_t>(block) * (stereo ? 2 : 1), 0.0f);
  }
  Stream& stream() { return streams[0]; }
  // Sets a control's target; Play then makes it the current value.
  void Set(int k, int value) { stream().controls[k].target = value; }
  void Play(bool reset_loop = true) { engine->PrepareForPlay(streams, reset_loop); }
  const std::vector<float>& RenderBlock() {
    engine->RenderNextBlock(out.data(), streams);
    return out;
  }
  // Renders n blocks and returns every output sample.
  std::vector<float> Render(int blocks) {
    std::vector<float> all;
    for (int b = 0; b < blocks; ++b) {
      RenderBlock();
      all.insert(all.end(), out.begin(), out.end());
    }
    return all;
  }
  void UseSound(Sound* s) {
    stream().sound = s;
    stream().input_mask = s->channels == 2 ? kInputBoth : kInputLeft;
  }
  GrainPool& pool() { return EngineTestAccess::pool(*engine); }
  Grain* StartGrain() { return EngineTestAccess::StartGrain(*engine, stream()); }
  void UpdateControls() { EngineTestAccess::UpdateControls(*engine, streams); }
  const std::array<float, kPanSize>& pan() { return EngineTestAccess::pan(*engine); }
  // A sound with no envelope shaping: attack and decay 0.
  void NoEnvelope() {
    Set(kAttack, 0);
    Set(kDecay, 0);
  }

  std::unique_ptr<Engine> engine;
  StreamTable streams;
  std::vector<float> out;
};

// FNV-1a over the samples' bit patterns: one number that pins a whole render.
inline uint64_t Fingerprint(const std::vector<float>& v) {
  uint64_t h = 1469598103934665603ull;
  for (float f : v) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i) {
      h ^= (bits >> (8 * i)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  return h;
}

}  // namespace kornmill::test
