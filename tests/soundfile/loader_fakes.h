// A fake application host for the sound loader: records what the loader hands to the application.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "soundfile/loader/sound_loader.h"

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

}  // namespace kornmill
