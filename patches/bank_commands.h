// The bank panel's commands: Load, Save, Close, the bank buttons, and saving every bank at exit.
#pragma once

#include <optional>
#include <string>

namespace kornmill {

class BankTable;
class PatchBank;
class PatchPrompts;
class SessionStore;
class StreamTable;

// How a command ended, for the status bar and the name box.
struct BankCommandResult {
  bool cancelled = false;                // a question was cancelled: the status bar stays
  int notice = 0;                        // the notice to show; 0 for none
  std::optional<std::string> bank_text;  // what ShowBank said, when it ran
  bool name_wanted = false;              // a save needs a name: the name box asks for one
};

// Main thread only.
class BankCommands {
 public:
  BankCommands(BankTable& banks, StreamTable& streams, PatchPrompts& prompts,
               std::string patch_folder);

  // PatchFolder: where bank files are written and the chooser starts. "Load"
  // moves it to the chosen file's folder.
  const std::string& patch_folder() const { return folder_; }
  void set_patch_folder(std::string folder);
  PatchPrompts& prompts() { return prompts_; }

  // A bank button: the panel shows bank `i`.
  BankCommandResult SelectBank(int i);
  // "Load": a bank file into the shown bank (after the question about its
  // unsaved changes), or into the bank of the same name.
  BankCommandResult Load();
  // "Save": the shown bank, when it has unsaved changes.
  BankCommandResult Save();
  // "Close": empties the shown bank (after the question about its unsaved changes).
  BankCommandResult Close();

  // Exit: banks A .. H in order, each changed one saved (an unnamed one that
  // holds patches under its letter) and each recorded in `store` (when
  // given). False when a question was cancelled: the program goes on, the
  // banks before stay saved and recorded, this one and the later ones as they were.
  bool SaveAtExit(SessionStore* store);

 private:
  int Write(PatchBank& bank);
  // Steps after the chooser: the folder moves, a bank of the same name is
  // reverted or switched to, the file is read. `prepared` is the notice a
  // save before it gave.
  BankCommandResult LoadFile(const std::string& path, int prepared);

  BankTable& banks_;
  StreamTable& streams_;
  PatchPrompts& prompts_;
  std::string folder_;
};

}  // namespace kornmill
