// Scroll handling of the 29 control scrollbars and the value texts they show.
#pragma once

#include <Qt>
#include <functional>

#include "app/control_scroll_bar.h"

namespace kornmill {

class DialogPanel;
class Engine;
class StreamTable;

// GUI thread only.
class ControlView {
 public:
  ControlView(DialogPanel& panel, StreamTable& streams, Engine& engine);

  // The scroll handler: moves control `id` by `action` (the tracked position
  // for thumb tracking) with the modifier keys held, as the scroll rule
  // (ScrollControl) says; starts the glide, places the scrollbar once and shows
  // the value texts. Returns 0 when handled, 1 otherwise.
  int OnControlScroll(ScrollAction action, int id, int tracked, Qt::KeyboardModifiers keys);

  // Writes control k's value texts: status parts 2 and 3, and item 1038 for
  // the change time.
  void ShowControlValue(int k);
  // Moves scrollbar k to `position` and refreshes its text when it moved.
  void SetControlPosition(int k, int position);
  // Sets scrollbars 0 .. 27 from the current stream's targets (28 is global).
  void ShowStreamPositions();

  // The id of the scrollbar last used (1500 .. 1528) and its focus frame.
  int current_id() const { return current_id_; }
  void DrawFocusFrame();

  // Where the modifier keys come from (the application by default).
  void set_modifier_source(std::function<Qt::KeyboardModifiers()> source) {
    modifiers_ = std::move(source);
  }

 private:
  bool OnBarAction(ControlScrollBar& bar, ScrollAction action, int tracked);

  DialogPanel& panel_;
  StreamTable& streams_;
  Engine& engine_;
  int current_id_ = 0;
  std::function<Qt::KeyboardModifiers()> modifiers_;
};

}  // namespace kornmill
