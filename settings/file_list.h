// The recent-files list: the last ten source sounds, newest last, kept in the settings store.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "resources/ids.h"
#include "settings/registry_store.h"

namespace kornmill {

// Entries are stored in canonical form (absolute, symbolic links and "." and
// ".." resolved), so that two spellings of one file count once. Entry i has
// the menu command id kFirstCommandId + i. Interface thread only.
class FileList {
 public:
  static constexpr int kCapacity = 10;
  static constexpr int kFirstCommandId = kCmdFirstRecentFile;  // 22222 .. 22231
  static constexpr const char* kTitle = "Recent &Files";
  static constexpr const char* kSubkey = "RecentFiles";

  // Stores `path` at the back (the newest), dropping the oldest of ten; a
  // path already listed keeps its place. True when the list changed.
  bool Add(std::string_view path);
  // Entry `index` (0 the oldest); empty past the last entry. An index past
  // the capacity throws std::out_of_range "FileList::operator[]".
  std::string operator[](int index) const;
  int count() const { return static_cast<int>(entries_.size()); }
  void Clear() { entries_.clear(); }

  // Replaces the entries with those stored under `key_path`'s "RecentFiles"
  // subkey: text values longer than 3 bytes (with their terminating zero)
  // naming a file that exists, in the store's order. Throws RegistryError.
  void Load(RegistryStore& store, std::string_view key_path);
  // Writes the entries as values "0", "1", ... and deletes the values of the
  // places past the last entry up to "9". Throws RegistryError.
  void Save(RegistryStore& store, std::string_view key_path) const;

  // The canonical form of `path`: absolute, links resolved as far as the
  // path exists, "." and ".." removed.
  static std::string Canonical(std::string_view path);

 private:
  std::deque<std::string> entries_;  // oldest first
};

}  // namespace kornmill
