// The session's banks: which file each bank held at the end of a run, read again at the next start.
#pragma once

#include <array>
#include <string>

#include "patches/patch_slot.h"

namespace kornmill {

class BankTable;
class PatchPrompts;

// Where the session is kept: the "SessionPatches" group of the user's
// settings, one string per bank letter. Any method may throw std::exception
// when the store fails. Main thread.
class SessionStore {
 public:
  virtual ~SessionStore() = default;
  // Whether the group exists (it does not before the first exit).
  virtual bool HasSessionPatches() = 0;
  // The value named by the letter; empty when missing.
  virtual std::string ReadBankEntry(char letter) = 0;
  // Writes the value, creating the group when needed.
  virtual void WriteBankEntry(char letter, const std::string& name) = 0;
  // Deletes the value, creating the group when needed.
  virtual void DeleteBankEntry(char letter) = 0;
};

// Reads the session's banks from `folder`: the files named in the session,
// or on a first run the letter-named files ("A.kpb" ..) and then the factory
// banks of `factory_folder` (copied into `folder` where no file of their name
// exists) in the banks still empty. A missing file leaves its bank empty; a
// failing store ends the loading quietly. Returns which banks loaded.
std::array<bool, kBankCount> LoadSessionPatches(SessionStore& store, const std::string& folder,
                                                BankTable& banks, PatchPrompts& prompts,
                                                const std::string& factory_folder = {});

// Records bank `letter`: its name, or no entry for an empty name. A failing
// store is ignored.
void SaveSessionEntry(SessionStore& store, const std::string& name, char letter);

}  // namespace kornmill
