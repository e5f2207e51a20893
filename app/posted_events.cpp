// Posted messages: one registered event type and the coalescing mailboxes.
#include "app/posted_events.h"

#include <QCoreApplication>

#include "resources/ids.h"

namespace kornmill {

QEvent::Type PostedMessage::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

PostedMessage::PostedMessage(int message, intptr_t wparam, intptr_t lparam, QString text,
                             bool coalesced)
    : QEvent(EventType()),
      message_(message),
      wparam_(wparam),
      lparam_(lparam),
      text_(std::move(text)),
      coalesced_(coalesced) {}

bool MessagePoster::IsCoalescedFamily(int message) {
  return message == kMsgMidiMonitor ||
         (message >= kMsgFirstControlValue && message <= kMsgLastControlValue);
}

MessagePoster::Mailbox* MessagePoster::MailboxOf(int message) {
  if (message == kMsgMidiMonitor) return &mailboxes_.back();
  if (message >= kMsgFirstControlValue && message <= kMsgLastControlValue) {
    return &mailboxes_[message - kMsgFirstControlValue];
  }
  return nullptr;
}

void MessagePoster::Post(int message, intptr_t wparam, intptr_t lparam) {
  QCoreApplication::postEvent(receiver_, new PostedMessage(message, wparam, lparam, {}, false));
}

void MessagePoster::PostText(int message, const QString& text) {
  QCoreApplication::postEvent(receiver_, new PostedMessage(message, 0, 0, text, false));
}

void MessagePoster::PostCoalesced(int message, intptr_t wparam) {
  Mailbox* box = MailboxOf(message);
  if (!box) {
    Post(message, wparam);
    return;
  }
  box->value.store(wparam, std::memory_order_release);
  // Only the first message of a burst goes into the queue; the others just
  // leave their value for it.
  if (!box->pending.exchange(true, std::memory_order_acq_rel)) {
    QCoreApplication::postEvent(receiver_, new PostedMessage(message, 0, 0, {}, true));
  }
}

bool MessagePoster::TakeNewest(int message, intptr_t* wparam) {
  Mailbox* box = MailboxOf(message);
  if (!box || !box->pending.exchange(false, std::memory_order_acq_rel)) return false;
  *wparam = box->value.load(std::memory_order_acquire);
  return true;
}

}  // namespace kornmill
