// What the build made for the manual: its share folder and a file of it read whole.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kornmill {

// The help pages, factory banks and examples the build made.
inline const std::filesystem::path kShare = KORNMILL_SHARE_DIR;

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kornmill
