// The patch-bank panel's behaviour: slot and bank clicks, bank commands, notices, program changes.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "patches/bank_commands.h"
#include "patches/bank_table.h"

namespace kornmill {

class ControlView;
class DialogPanel;
class Engine;
class PatchPanel;
class PatchPrompts;
class SettingsSessionStore;
class SessionStore;
class StreamTable;

// GUI thread only: recall and store change the stream's controls between renders.
class PatchView : public QObject {
  Q_OBJECT

 public:
  PatchView(DialogPanel& panel, StreamTable& streams, Engine& engine, ControlView& controls,
            PatchPrompts& prompts, std::string patch_folder);
  ~PatchView() override;

  // Where the modifier keys of a click come from.
  void set_modifier_source(std::function<Qt::KeyboardModifiers()> source) {
    modifiers_ = std::move(source);
  }

  // Where the factory banks offered on a first run are.
  void set_factory_folder(std::string folder) { factory_folder_ = std::move(folder); }
  // Start-up: the session's banks from the patches folder (on a first run the
  // factory banks too); bank A shown when it loaded.
  void LoadSession(SessionStore* store);
  // Exit: the patches folder recorded, every changed bank saved and recorded in
  // the session; false when a question was cancelled and the program goes on.
  bool SaveAtExit(SettingsSessionStore* store);

  // Clicks slot button `slot` (0 the default patch) with `modifiers` for stream `stream`.
  void ClickSlot(int slot, int modifiers, int stream);
  // The main window's answer to a MIDI program change: a control id below 1590
  // recalls slot id − 1400 of the shown bank into stream `stream` as a plain
  // click would; from 1590 up the button with that id is clicked.
  void OnProgramChange(int id, int stream);
  // A command that ends without a notice of this panel (Play, File, a bank
  // button, a bank name): a bank notice still shown is cleared.
  void EndWithoutNotice();

  BankTable& banks() { return banks_; }
  BankCommands& commands() { return commands_; }
  PatchPanel& items() { return *items_; }
  const std::string& patch_folder() const { return commands_.patch_folder(); }
  // The stored patch the stream names, for its status text.
  bool StreamSlotStored(int stream) const;
  // The selection follows a newly selected stream.
  void MarkPatchButton(int stream);

 private:
  void Connect();
  void OnNameEdited();
  void CommitName();
  void RunBankCommand(BankCommandResult (BankCommands::*command)());
  void Finish(const BankCommandResult& result);
  void ShowNotice(int id);
  void Refresh();
  void PrepareNameBox();
  GlideTiming Timing() const;

  DialogPanel& panel_;
  StreamTable& streams_;
  Engine& engine_;
  ControlView& controls_;
  BankTable banks_;
  BankCommands commands_;
  std::string factory_folder_;
  std::unique_ptr<PatchPanel> items_;
  std::function<Qt::KeyboardModifiers()> modifiers_;
  int last_notice_ = 0;
  QString last_notice_text_;
};

}  // namespace kornmill
