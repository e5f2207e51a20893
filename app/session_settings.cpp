// The session's banks and the patches folder over the registry wrapper.
#include "app/session_settings.h"

#include "settings/registry.h"
#include "settings/settings_io.h"

namespace kornmill {

namespace {

constexpr unsigned kReadWrite = Registry::kRead | Registry::kWrite;

std::string Name(char letter) {
  return std::string(1, letter);
}

}  // namespace

SettingsSessionStore::SettingsSessionStore(std::shared_ptr<RegistryStore> store)
    : store_(std::move(store)) {}

SettingsSessionStore::~SettingsSessionStore() = default;

bool SettingsSessionStore::HasSessionPatches() {
  Registry reg(*store_);
  reg.Open(UserKeyPath(), Registry::kRead);
  const bool found = reg.SubkeyExists(kKeySessionPatches);
  reg.Close();
  return found;
}

std::string SettingsSessionStore::ReadBankEntry(char letter) {
  Registry reg(*store_);
  reg.Open(UserKeyPath(), Registry::kRead);
  if (!reg.SubkeyExists(kKeySessionPatches)) return {};
  reg.EnterSubkey(kKeySessionPatches, Registry::kRead | Registry::kOpenOnly);
  std::string name = reg.ReadText(Name(letter));
  reg.Close();
  return name;
}

void SettingsSessionStore::WriteBankEntry(char letter, const std::string& name) {
  Registry reg(*store_);
  reg.Open(UserKeyPath(), kReadWrite);
  reg.EnterSubkey(kKeySessionPatches, kReadWrite);
  reg.WriteText(Name(letter), name);
  reg.Close();
}

void SettingsSessionStore::DeleteBankEntry(char letter) {
  Registry reg(*store_);
  reg.Open(UserKeyPath(), kReadWrite);
  reg.EnterSubkey(kKeySessionPatches, kReadWrite);
  reg.DeleteValue(Name(letter));
  reg.Close();
}

std::string SettingsSessionStore::ReadPatchFolder() {
  Registry reg(*store_);
  reg.Open(UserKeyPath(), Registry::kRead);
  std::string folder = reg.ReadText(kValuePatchFolder);
  reg.Close();
  return folder;
}

void SettingsSessionStore::WritePatchFolder(const std::string& folder) {
  Registry reg(*store_);
  reg.Open(UserKeyPath(), kReadWrite);
  reg.WriteText(kValuePatchFolder, folder);
  reg.Close();
}

}  // namespace kornmill
