// Loader host: completions become posted events; questions wait for the main thread's answer.
#include "app/loader_host.h"

#include <QMetaObject>
#include <QString>

#include "app/event_poster.h"
#include "app/posted_events.h"

namespace kornmill {

WindowLoaderHost::WindowLoaderHost(QObject* main_thread_object, EventPoster& poster, Hooks hooks)
    : main_(main_thread_object), poster_(poster), hooks_(std::move(hooks)) {}

void WindowLoaderHost::PostSoundLoaded(int stream, Sound* sound) {
  poster_.Post(posted::SoundLoaded{stream, sound});
}

void WindowLoaderHost::PostLoadFailed(std::string text) {
  // An empty text: the user cancelled the memory question; part 1 stays as it is.
  if (text.empty()) return;
  poster_.Post(posted::StatusText{std::move(text)});
}

void WindowLoaderHost::PostNotice(std::string text) {
  poster_.Post(posted::StatusText{std::move(text)});
}

bool WindowLoaderHost::AskQuestion(const std::string& title, const std::string& text) {
  auto question = std::make_shared<Question>();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
  }
  QMetaObject::invokeMethod(
      main_,
      [this, question, title, text] {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (closed_ || question->answered) return;
        }
        Answer(question, hooks_.ask && hooks_.ask(title, text));
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [this, &question] { return question->answered || closed_; });
  return question->answered && question->ok;
}

void WindowLoaderHost::Answer(const std::shared_ptr<Question>& question, bool ok) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    question->answered = true;
    question->ok = ok;
  }
  answered_.notify_all();
}

void WindowLoaderHost::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  answered_.notify_all();
}

void WindowLoaderHost::StreamStateChanged(int stream) {
  if (hooks_.state_changed) hooks_.state_changed(stream);
}

void WindowLoaderHost::SetSoundfileFolder(const std::string& folder) {
  if (hooks_.set_folder) hooks_.set_folder(folder);
}

void WindowLoaderHost::AddRecentFile(const std::string& path) {
  if (hooks_.add_recent) hooks_.add_recent(path);
}

void WindowLoaderHost::StreamSoundChanged(int stream) {
  if (hooks_.sound_changed) hooks_.sound_changed(stream);
}

}  // namespace kornmill
