// The sound loader's test fixture: a sound table over a fake application host
// that records what the loader hands to the application.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "controls/stream.h"
#include "soundfile/loader/sound_loader.h"
#include "test_util.h"

namespace kornmill {

// Records what the loader hands to the application.
class FakeHost : public LoaderHost {
 public:
  void PostSoundLoaded(int stream, Sound* sound) override {
    std::lock_guard<std::mutex> l(m_);
    loaded.emplace_back(stream, sound);
  }
  void PostLoadFailed(std::string text) override {
    std::lock_guard<std::mutex> l(m_);
    failed.push_back(std::move(text));
  }
  bool AskQuestion(const std::string& title, const std::string& text) override {
    std::lock_guard<std::mutex> l(m_);
    questions.emplace_back(title, text);
    return answer;
  }
  void StreamStateChanged(int stream) override { state_changes.push_back(stream); }
  void SetSoundfileFolder(const std::string& folder) override { folders.push_back(folder); }
  void AddRecentFile(const std::string& path) override { recent.push_back(path); }
  void StreamSoundChanged(int stream) override { sound_changes.push_back(stream); }
  void PostNotice(std::string text) override {
    std::lock_guard<std::mutex> l(m_);
    notices.push_back(std::move(text));
  }

  std::vector<std::pair<int, Sound*>> loaded;
  std::vector<std::string> failed;
  std::vector<std::pair<std::string, std::string>> questions;
  bool answer = true;
  std::vector<int> state_changes;
  std::vector<std::string> folders;
  std::vector<std::string> recent;
  std::vector<int> sound_changes;
  std::vector<std::string> notices;

 private:
  std::mutex m_;
};

// A sound table with the fake host and a memory status the test sets; every
// stream plays the built-in sine until a sound is attached.
class LoaderTest : public ::testing::Test {
 protected:
  LoaderTest() {
    sine_.builtin = true;
    sine_.use_count = 1;
    sine_.path = sine_.name = "Built-in 110 Hz sine";
    sine_.channels = 1;
    sine_.frame_count = 8192;
    streams_.InitStreams(&sine_);
    table_ = std::make_unique<SoundTable>(streams_, render_lock_, host_, [this] {
      ++memory_checks_;
      return memory_;
    });
    table_->set_output_rate(44100);
  }

  // Loads `path` on a worker thread and waits: the sound handed to the host,
  // or null with the failure in host_.
  Sound* Load(const std::string& path) {
    const size_t before = host_.loaded.size();
    table_->LoadSound(path);
    table_->WaitForLoaders();
    return host_.loaded.size() == before ? nullptr : host_.loaded.back().second;
  }

  sftest::TempDir dir_;
  Sound sine_;
  StreamTable streams_;
  std::mutex render_lock_;
  FakeHost host_;
  MemoryStatus memory_{uint64_t(16) << 30, uint64_t(8) << 30};
  int memory_checks_ = 0;
  std::unique_ptr<SoundTable> table_;
};

}  // namespace kornmill
