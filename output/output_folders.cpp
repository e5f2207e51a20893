// Folder rules for output and source soundfiles.
#include "output/output_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kornmill {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::string ProgramDataFolder() {
  std::string base = Env("XDG_DATA_HOME");
  if (base.empty()) {
    const std::string home = Env("HOME");
    base = (home.empty() ? std::string(".") : WithoutTrailingSlash(home)) + "/.local/share";
  }
  return WithoutTrailingSlash(base) + "/Kornmill";
}

bool EnsureFolder(const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

std::string WithoutTrailingSlash(std::string_view folder) {
  if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return std::string(folder);
}

SoundFolders ResolveSoundFolders(std::string_view stored_out, std::string_view stored_in) {
  SoundFolders f;
  f.output = std::string(stored_out);
  if (f.output.empty()) f.output = Env("SFDIR");
  if (f.output.empty()) f.output = ProgramDataFolder();
  f.source = std::string(stored_in);
  if (f.source.empty()) f.source = Env("SSDIR");
  if (f.source.empty()) f.source = f.output;
  f.output = WithoutTrailingSlash(f.output);
  f.source = WithoutTrailingSlash(f.source);
  return f;
}

}  // namespace kornmill
