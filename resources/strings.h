// The program's string table: every numbered text, looked up by its id.
#pragma once

#include <string_view>

namespace kornmill {

// The text stored under `id`, or an empty view when the table has none.
// Safe to call from any thread: the table is constant data.
std::string_view LoadText(int id);

// Number of texts in the table (for tests and diagnostics).
int TextCount();

}  // namespace kornmill
