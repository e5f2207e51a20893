// A decoder on a real engine and stream, with a host that records what it is asked to post.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "controls/stream.h"
#include "engine/engine.h"
#include "midi/midi_decoder.h"

namespace kornmill::testing {

class RecordingHost : public MidiHost {
 public:
  bool playing() const override { return is_playing; }
  bool stopping() const override { return is_stopping; }
  bool recording() const override { return is_recording; }
  void PostPlay(bool start) override { plays.push_back(start); }
  void PostProgram(int id, int stream) override { programs.emplace_back(id, stream); }
  void PostMonitor(uint32_t message) override { monitored.push_back(message); }
  void PostControlPosition(int control, int position) override {
    positions[control] = position;
    ++position_posts;
  }
  void Clear() {
    plays.clear();
    programs.clear();
    monitored.clear();
    positions.clear();
    position_posts = 0;
  }

  bool is_playing = false;
  bool is_stopping = false;
  bool is_recording = false;
  std::vector<bool> plays;
  std::vector<std::pair<int, int>> programs;
  std::vector<uint32_t> monitored;
  std::map<int, int> positions;
  int position_posts = 0;
};

class DecoderTest : public ::testing::Test {
 protected:
  DecoderTest() {
    streams.InitStreams(&engine.sine());
    DecodeNoteResponse(config);
    decoder.Reset();
  }

  // Sets the note response word and decodes it.
  void SetNoteResponse(uint32_t word) {
    config.response[0] = word;
    DecodeNoteResponse(config);
  }
  void Send(int status, int d1 = 0, int d2 = 0) { decoder.MidiInProc(ShortMessage(status, d1, d2)); }
  const ControlRecord& Control(int k) const { return streams[0].controls[k]; }
  // Renders `blocks` blocks of 256 frames (the frame clock moves on).
  void Render(int blocks) {
    std::vector<float> out(static_cast<size_t>(engine.block_frames() * engine.channels()));
    streams[0].block.assign(out.size(), 0.0f);
    for (int i = 0; i < blocks; ++i) engine.RenderNextBlock(out.data(), streams);
  }

  Engine engine;
  StreamTable streams;
  MidiConfig config;
  RecordingHost host;
  MidiDecoder decoder{config, streams, engine, host};
};

}  // namespace kornmill::testing
