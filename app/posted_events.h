// Messages posted to the main window from any thread, as events on its event loop.
#pragma once

#include <QEvent>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>

class QObject;

namespace kornmill {

// One posted message: its number (kMsg...), two parameters and, for the
// status-text message, the text it carries.
class PostedMessage : public QEvent {
 public:
  // The event type shared by all posted messages (registered once).
  static QEvent::Type EventType();

  PostedMessage(int message, intptr_t wparam, intptr_t lparam, QString text, bool coalesced);

  int message() const { return message_; }
  intptr_t wparam() const { return wparam_; }
  intptr_t lparam() const { return lparam_; }
  const QString& text() const { return text_; }
  // True for the bursty families whose newest value waits in the poster.
  bool coalesced() const { return coalesced_; }

 private:
  int message_;
  intptr_t wparam_;
  intptr_t lparam_;
  QString text_;
  bool coalesced_;
};

// Posts messages to one receiver (the main window). The control values
// (34268 + k) and the MIDI monitor line are coalesced: while one is waiting,
// a newer one only replaces its value, so a burst delivers the newest value once.
class MessagePoster {
 public:
  explicit MessagePoster(QObject* receiver) : receiver_(receiver) {}

  // Any thread.
  void Post(int message, intptr_t wparam, intptr_t lparam = 0);
  // Any thread: the status-text message (33319) with its text.
  void PostText(int message, const QString& text);
  // Any thread: a message of a coalesced family; others are posted plainly.
  void PostCoalesced(int message, intptr_t wparam);

  // Main thread, when a coalesced message is handled: takes the newest value
  // waiting; false when it was taken already.
  bool TakeNewest(int message, intptr_t* wparam);

  static bool IsCoalescedFamily(int message);

 private:
  struct Mailbox {
    std::atomic<intptr_t> value{0};
    std::atomic<bool> pending{false};
  };
  Mailbox* MailboxOf(int message);

  QObject* receiver_;
  std::array<Mailbox, 31> mailboxes_;  // 29 control values, one spare, the monitor
};

}  // namespace kornmill
