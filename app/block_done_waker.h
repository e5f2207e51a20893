// Wakes the main thread's event loop for every block the audio device consumed.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

#include "output/output_view.h"

class QSocketNotifier;

namespace kornmill {

// An eventfd counter watched by the event loop: posting adds one without
// allocating or locking; the loop then runs the handler once per wake-up.
class BlockDoneWaker final : public QObject, public MainThreadWaker {
  Q_OBJECT

 public:
  explicit BlockDoneWaker(QObject* parent = nullptr);
  ~BlockDoneWaker() override;

  // Main thread: what runs for each wake-up (the block-done handler), with
  // the index last posted.
  void set_handler(std::function<void(int index)> handler) { handler_ = std::move(handler); }

  // Any thread (the device's thread or the main thread).
  void PostBlockDone(int index) override;

  // Main thread: runs the handler for wake-ups already posted (used when
  // the loop is not running, e.g. while shutting down).
  void Drain();

 private:
  void OnReadable();

  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  std::atomic<int> last_index_{0};
  std::function<void(int)> handler_;
};

}  // namespace kornmill
