// The recent-files list: adding, canonical paths, and loading and saving under "RecentFiles".
#include "settings/file_list.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "settings/registry.h"

namespace kornmill {

namespace {

// A stored entry counts with its terminating zero, as it is kept.
constexpr size_t kShortestEntryBytes = 4;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string FileList::Canonical(std::string_view path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(path), ec);
  if (ec) return fs::path(path).lexically_normal().string();
  fs::path canonical = fs::weakly_canonical(absolute, ec);
  if (ec) return absolute.lexically_normal().string();
  return canonical.string();
}

bool FileList::Add(std::string_view path) {
  std::string entry = Canonical(path);
  if (std::find(entries_.begin(), entries_.end(), entry) != entries_.end()) return false;
  if (count() == kCapacity) entries_.pop_front();
  entries_.push_back(std::move(entry));
  return true;
}

std::string FileList::operator[](int index) const {
  if (index < 0 || index >= kCapacity) throw std::out_of_range("FileList::operator[]");
  if (index >= count()) return {};
  return entries_[static_cast<size_t>(index)];
}

void FileList::Load(RegistryStore& store, std::string_view key_path) {
  Registry reg(store);
  reg.Open(key_path, Registry::kRead | Registry::kWrite);
  reg.EnterSubkey(kSubkey, Registry::kRead | Registry::kWrite);
  const std::vector<NamedValue> values = reg.EnumerateValues();
  reg.Close();
  if (values.empty()) return;
  entries_.clear();
  for (const NamedValue& v : values) {
    if (v.value.type != StoredValue::Type::kText) continue;
    if (v.value.text.size() + 1 < kShortestEntryBytes) continue;
    if (FileExists(v.value.text)) Add(v.value.text);
  }
}

void FileList::Save(RegistryStore& store, std::string_view key_path) const {
  Registry reg(store);
  reg.Open(key_path, Registry::kRead | Registry::kWrite);
  reg.EnterSubkey(kSubkey, Registry::kRead | Registry::kWrite);
  for (int i = 0; i < count(); ++i)
    reg.WriteText(std::to_string(i), entries_[static_cast<size_t>(i)]);
  for (int i = count(); i < kCapacity; ++i) reg.DeleteValue(std::to_string(i));
  reg.Close();
}

}  // namespace kornmill
