// Events posted to the main window from any thread, delivered by type on the main thread.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <array>
#include <atomic>
#include <concepts>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace kornmill {

// An event type of which only the newest waiting one per slot matters.
template <class T>
concept CoalescedEvent = requires(const T& event) {
  { T::kCoalescedSlots } -> std::convertible_to<int>;
  { event.slot() } -> std::convertible_to<int>;
};

// The QEvent that carries one posted value; one registered Qt event type per T.
template <class T>
class PostedEvent final : public QEvent {
 public:
  static QEvent::Type Type() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  explicit PostedEvent(T value) : QEvent(Type()), value(std::move(value)) {}
  T value;
};

// Posts typed events (see app/posted_events.h) to one receiver and hands each
// to the handler registered for its type. Coalesced types keep their newest
// value per slot in a mailbox: only the first of a burst enters the queue, and
// its handler gets the newest value waiting.
class EventPoster {
 public:
  explicit EventPoster(QObject* receiver) : receiver_(receiver) {}
  EventPoster(const EventPoster&) = delete;
  EventPoster& operator=(const EventPoster&) = delete;

  // Any thread. Takes no lock the main thread holds for long; allocates (the
  // queued event), so the audio callback must not call it.
  template <class T>
  void Post(T event);

  // Main thread: sets the handler of events of type T. Events of a type
  // without a handler are not dispatched.
  template <class T>
  void On(std::function<void(const T&)> handler);

  // Main thread, from the receiver's event(): runs the handler registered for
  // the event's type. False when none is (the event is not a posted one, or
  // nobody handles its type).
  bool Dispatch(QEvent& event);

  // Main thread, at shutdown: events still queued and posted later are dropped.
  void Close() { closed_.store(true); }

 private:
  struct MailboxBase {
    virtual ~MailboxBase() = default;
  };
  template <class T>
  struct Mailbox final : MailboxBase {
    std::array<std::optional<T>, T::kCoalescedSlots> newest;
  };
  // The mailbox of T; the caller holds mailbox_mutex_.
  template <class T>
  Mailbox<T>& MailboxOf();

  QObject* receiver_;
  std::atomic<bool> closed_{false};
  std::unordered_map<int, std::function<void(QEvent&)>> handlers_;  // main thread only
  std::mutex mailbox_mutex_;
  std::unordered_map<int, std::unique_ptr<MailboxBase>> mailboxes_;  // by event type
};

template <class T>
EventPoster::Mailbox<T>& EventPoster::MailboxOf() {
  std::unique_ptr<MailboxBase>& box = mailboxes_[PostedEvent<T>::Type()];
  if (!box) box = std::make_unique<Mailbox<T>>();
  return static_cast<Mailbox<T>&>(*box);
}

template <class T>
void EventPoster::Post(T event) {
  if (closed_.load()) return;
  if constexpr (CoalescedEvent<T>) {
    const int slot = event.slot();
    if (slot < 0 || slot >= T::kCoalescedSlots) return;
    std::lock_guard<std::mutex> lock(mailbox_mutex_);
    std::optional<T>& newest = MailboxOf<T>().newest[static_cast<size_t>(slot)];
    const bool waiting = newest.has_value();
    newest = event;
    // A newer value only replaces the one waiting; the queued event delivers it.
    if (waiting) return;
  }
  QCoreApplication::postEvent(receiver_, new PostedEvent<T>(std::move(event)));
}

template <class T>
void EventPoster::On(std::function<void(const T&)> handler) {
  handlers_[PostedEvent<T>::Type()] = [this, handler = std::move(handler)](QEvent& e) {
    const T& value = static_cast<PostedEvent<T>&>(e).value;
    if constexpr (CoalescedEvent<T>) {
      std::optional<T> newest;
      {
        std::lock_guard<std::mutex> lock(mailbox_mutex_);
        newest =
            std::exchange(MailboxOf<T>().newest[static_cast<size_t>(value.slot())], std::nullopt);
      }
      if (newest && !closed_.load()) handler(*newest);
    } else if (!closed_.load()) {
      handler(value);
    }
  };
}

}  // namespace kornmill
