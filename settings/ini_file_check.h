// Checks of a settings file's text: damage QSettings passes over, and its count of settings.
#pragma once

#include <string>
#include <string_view>

namespace kornmill {

// What is wrong with the text of an INI settings file, or empty: bytes that
// are not UTF-8, a last line without its line break (a file cut short), a
// line that is neither a setting, a group name, a comment nor blank.
std::string FindIniDamage(std::string_view bytes);

// The number of "name=value" lines (each setting is written on one line).
int CountIniSettings(std::string_view bytes);

}  // namespace kornmill
