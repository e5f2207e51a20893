// The session's banks and the patches folder in the user's settings, through the registry wrapper.
#pragma once

#include <memory>
#include <string>

#include "patches/session_patches.h"

namespace kornmill {

class RegistryStore;

// The "SessionPatches" key and the "Patch folder" value of the program's
// settings. Each call is one use of the store; failures throw RegistryError.
// GUI thread only.
class SettingsSessionStore : public SessionStore {
 public:
  explicit SettingsSessionStore(std::shared_ptr<RegistryStore> store);
  ~SettingsSessionStore() override;

  bool HasSessionPatches() override;
  std::string ReadBankEntry(char letter) override;
  void WriteBankEntry(char letter, const std::string& name) override;
  void DeleteBankEntry(char letter) override;

  // The stored patches folder; empty when none is stored.
  std::string ReadPatchFolder();
  void WritePatchFolder(const std::string& folder);

 private:
  std::shared_ptr<RegistryStore> store_;
};

}  // namespace kornmill
