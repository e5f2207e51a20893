// Block-done wake-ups through an eventfd and a socket notifier on the main loop.
#include "app/block_done_waker.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cstdint>
#include <stdexcept>

namespace kornmill {

BlockDoneWaker::BlockDoneWaker(QObject* parent) : QObject(parent) {
  fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("Could not create the audio wake-up channel");
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &BlockDoneWaker::OnReadable);
}

BlockDoneWaker::~BlockDoneWaker() {
  delete notifier_;
  if (fd_ >= 0) close(fd_);
}

void BlockDoneWaker::PostBlockDone(int index) {
  last_index_.store(index, std::memory_order_relaxed);
  const uint64_t one = 1;
  // A full counter (never reached in practice) only loses wake-ups that are
  // counted together anyway.
  [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
}

void BlockDoneWaker::OnReadable() {
  Drain();
}

void BlockDoneWaker::Drain() {
  uint64_t count = 0;
  if (read(fd_, &count, sizeof count) != static_cast<ssize_t>(sizeof count)) return;
  for (uint64_t i = 0; i < count; ++i) {
    if (handler_) handler_(last_index_.load(std::memory_order_relaxed));
  }
}

}  // namespace kornmill
