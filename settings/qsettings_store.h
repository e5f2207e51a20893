// The settings store of the program: the user's QSettings file (native format, an INI file).
#pragma once

#include <string>

#include "settings/registry_store.h"

namespace kornmill {

// The file $XDG_CONFIG_HOME/Klangforge/Kornmill.conf (~/.config when the
// variable is unset): organisation "Klangforge", application "Kornmill", the
// native format. The base key is the file's root; subkeys are its groups.
//
// Every use reads the file afresh and checks it: a folder in its place or a
// file that cannot be read makes the use fail ("Could not open new key
// handle"); a file that is not UTF-8, holds lines that are not settings or
// ends in the middle of a line is damaged: what can be read is read and the
// damage is reported. Writes are kept until Commit, which has QSettings write
// every setting into a new file beside the old one, checks that the new file
// holds them all and renames it into place: the file is replaced whole or not
// at all. A read-only file is left alone; before a damaged file is replaced,
// its bytes are kept beside it as "Kornmill.conf.damaged". QSettings never
// writes the file itself, so what it caches of the file is what the file holds.
// Interface thread only.
class QSettingsStore final : public RegistryStore {
 public:
  QSettingsStore();
  explicit QSettingsStore(std::string file);

  // The user's settings file, from the environment at the time of the call.
  static std::string DefaultFile();

  std::shared_ptr<StoreSession> Open(bool write) override;
  std::string Location() const override { return file_; }

 private:
  std::string file_;
};

}  // namespace kornmill
