// The event poster's dispatch by event type.
#include "app/event_poster.h"

namespace kornmill {

bool EventPoster::Dispatch(QEvent& event) {
  const auto handler = handlers_.find(event.type());
  if (handler == handlers_.end()) return false;
  handler->second(event);
  return true;
}

}  // namespace kornmill
