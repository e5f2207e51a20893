// The session's banks and the patches folder kept in the user's settings (QSettings, INI file).
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "patches/session_patches.h"

class QSettings;

namespace kornmill {

// The "SessionPatches" group and the "Patch folder" value of the program's
// settings file. Failures of the file throw std::runtime_error. GUI thread only.
class SettingsSessionStore : public SessionStore {
 public:
  // The user's settings ("Klangforge/Kornmill" under the configuration folder).
  SettingsSessionStore();
  // A settings file of its own (for tests).
  explicit SettingsSessionStore(const QString& ini_path);
  ~SettingsSessionStore() override;

  bool HasSessionPatches() override;
  std::string ReadBankEntry(char letter) override;
  void WriteBankEntry(char letter, const std::string& name) override;
  void DeleteBankEntry(char letter) override;

  // The stored patches folder; empty when none is stored.
  std::string ReadPatchFolder();
  void WritePatchFolder(const std::string& folder);

 private:
  void Check() const;
  void Sync();

  std::unique_ptr<QSettings> settings_;
};

}  // namespace kornmill
