// Wakes the main thread's event loop when MIDI messages wait to be decoded.
#pragma once

#include <QObject>
#include <functional>

#include "midi/message_queue.h"

class QSocketNotifier;

namespace kornmill {

// An eventfd watched by the event loop: the MIDI input's thread (perhaps
// JACK's real-time thread) writes to it without locking or allocating.
class MidiWakeup final : public QObject, public MidiWaker {
  Q_OBJECT

 public:
  // Main thread: `handler` runs once for each wake-up that arrived.
  MidiWakeup(std::function<void()> handler, QObject* parent = nullptr);
  ~MidiWakeup() override;

  // Input thread (or any): wakes the loop.
  void WakeMidi() override;

 private:
  void OnReadable();

  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  std::function<void()> handler_;
};

}  // namespace kornmill
