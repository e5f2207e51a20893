// MIDI wake-ups through an eventfd and a socket notifier on the main loop.
#include "app/midi_wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#include <stdexcept>

namespace kornmill {

MidiWakeup::MidiWakeup(std::function<void()> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
  fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("Could not create the MIDI wake-up channel");
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &MidiWakeup::OnReadable);
}

MidiWakeup::~MidiWakeup() {
  delete notifier_;
  if (fd_ >= 0) close(fd_);
}

void MidiWakeup::WakeMidi() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
}

void MidiWakeup::OnReadable() {
  uint64_t count = 0;
  if (read(fd_, &count, sizeof count) != static_cast<ssize_t>(sizeof count)) return;
  if (handler_) handler_();
}

}  // namespace kornmill
