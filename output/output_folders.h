// The output and source soundfile folders: stored setting, environment, or the program's data
// folder.
#pragma once

#include <string>
#include <string_view>

namespace kornmill {

// The program's folder for what it writes: $XDG_DATA_HOME/Kornmill, or
// ~/.local/share/Kornmill when XDG_DATA_HOME is unset or empty.
std::string ProgramDataFolder();

// Creates `folder` (and its parents) when it does not exist; false when it
// cannot be created.
bool EnsureFolder(const std::string& folder);

// A single trailing '/' removed (the root "/" stays as it is).
std::string WithoutTrailingSlash(std::string_view folder);

struct SoundFolders {
  std::string output;
  std::string source;
};

// Output folder: the stored one, else $SFDIR, else the program's folder.
// Source folder: the stored one, else $SSDIR, else the output folder.
SoundFolders ResolveSoundFolders(std::string_view stored_out, std::string_view stored_in);

}  // namespace kornmill
