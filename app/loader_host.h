// The sound loader's view of the window: posted completions and the memory question.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "soundfile/loader/sound_loader.h"

namespace kornmill {

class EventPoster;

// Hands the loader's reports to the main thread. The AttachSound steps run on
// the main thread and are forwarded to the hooks.
class WindowLoaderHost final : public LoaderHost {
 public:
  struct Hooks {
    // Main thread: the OK/Cancel question; true for OK.
    std::function<bool(const std::string& title, const std::string& text)> ask;
    std::function<void(int stream)> state_changed;
    std::function<void(const std::string& folder)> set_folder;
    std::function<void(const std::string& path)> add_recent;
    std::function<void(int stream)> sound_changed;
  };

  WindowLoaderHost(QObject* main_thread_object, EventPoster& poster, Hooks hooks);

  // Loader thread.
  void PostSoundLoaded(int stream, Sound* sound) override;
  // Loader thread or main thread.
  void PostLoadFailed(std::string text) override;
  // Loader thread: a status text after the sound's own event.
  void PostNotice(std::string text) override;
  // Loader thread: asks on the main thread and waits for the answer; Cancel
  // once Close has been called.
  bool AskQuestion(const std::string& title, const std::string& text) override;

  // Main thread.
  void StreamStateChanged(int stream) override;
  void SetSoundfileFolder(const std::string& folder) override;
  void AddRecentFile(const std::string& path) override;
  void StreamSoundChanged(int stream) override;

  // Main thread, at shutdown: every waiting and later question answers Cancel,
  // so that the loader threads can be joined.
  void Close();

 private:
  struct Question {
    bool answered = false;
    bool ok = false;
  };
  void Answer(const std::shared_ptr<Question>& question, bool ok);

  QObject* main_;
  EventPoster& poster_;
  Hooks hooks_;
  std::mutex mutex_;
  std::condition_variable answered_;
  bool closed_ = false;
};

}  // namespace kornmill
