// The texts the window shows for a control's value and for the current stream.
#pragma once

#include <optional>
#include <string>

namespace kornmill {

struct Stream;

// What ShowControlValue writes: status part 2, part 3 (only where set) and
// item 1038 (for the change time only). An empty part 2 clears it.
struct ValueTexts {
  std::optional<std::string> part2;
  std::optional<std::string> part3;
  std::optional<std::string> change_time_text;  // item 1038
};

// Value texts of control k of `s`; `change_time` is the global change time.
ValueTexts ControlValueTexts(const Stream& s, int k, int change_time);

// "  î  parm chng time: %.2f s" for a change time in 64ths of a second.
std::string ChangeTimeText(int change_time);

// Window title: "Kornmill" for the built-in sine, else "<file> - Sifter chops it".
std::string WindowTitle(const Stream& s);

// Status part 1 when a stream is selected. `slot_stored` tells whether the
// stream's bank slot holds a patch.
std::string StreamStatusText(const Stream& s, bool slot_stored);

// "Stream %d%s" with the state's suffix.
std::string StreamTabLabel(int state, int index);

}  // namespace kornmill
