// Load, Save, Close and the exit's saving of the banks, with their questions.
#include "patches/bank_commands.h"

#include "controls/stream.h"
#include "patches/bank_names.h"
#include "patches/bank_table.h"
#include "patches/patch_bank_io.h"
#include "patches/patch_prompts.h"
#include "patches/session_patches.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

constexpr std::string_view kSaveTitle = "Save the patches!";
constexpr std::string_view kLoadTitle = "Load patch bank";

// "Do you want to save changes before <what>?" or, for a named bank, "Do you
// want to save <name> before <what>?".
std::string SaveQuestion(const PatchBank& bank, const std::string& what) {
  if (bank.name().empty()) return "Do you want to save changes before " + what + "?";
  return "Do you want to save " + bank.name() + " before " + what + "?";
}

BankCommandResult Cancelled() {
  BankCommandResult r;
  r.cancelled = true;
  return r;
}

// A command that ends with the notice `prepared` (none when 0).
BankCommandResult Ended(int prepared) {
  BankCommandResult r;
  r.notice = prepared;
  r.name_wanted = prepared == kNoticeNameBank;
  return r;
}

}  // namespace

BankCommands::BankCommands(BankTable& banks, StreamTable& streams, PatchPrompts& prompts,
                           std::string patch_folder)
    : banks_(banks), streams_(streams), prompts_(prompts) {
  set_patch_folder(std::move(patch_folder));
}

void BankCommands::set_patch_folder(std::string folder) {
  folder_ = WithTrailingSlash(folder);
}

int BankCommands::Write(PatchBank& bank) {
  return WritePatchBank(bank, folder_, prompts_);
}

BankCommandResult BankCommands::SelectBank(int i) {
  BankCommandResult r;
  r.bank_text = banks_.ShowBank(i, streams_);
  return r;
}

BankCommandResult BankCommands::Load() {
  PatchBank& bank = banks_.shown();
  int prepared = 0;
  if (bank.has_changes()) {
    if (bank.patch_count() > 0) {
      const auto answer =
          prompts_.AskYesNoCancel(kSaveTitle, SaveQuestion(bank, "loading a new bank"));
      if (answer == PatchPrompts::kCancel) return Cancelled();
      if (answer == PatchPrompts::kYes) {
        prepared = Write(bank);
        if (prepared == 0) return Cancelled();
        if (prepared == kNoticeNameBank) return Ended(prepared);
      }
    } else {
      prepared = Write(bank);
      if (prepared == 0) return Cancelled();
    }
  }
  const std::string path = prompts_.ChooseBankFile(folder_);
  if (path.empty()) return Ended(prepared);
  return LoadFile(path, prepared);
}

BankCommandResult BankCommands::LoadFile(const std::string& path, int prepared) {
  set_patch_folder(FolderOf(path));
  const std::string base = BaseNameOf(path);
  const std::string name = SafeBankFileName(base);
  int target = banks_.current_bank();
  for (int i = 0; i < kBankCount; ++i) {
    const PatchBank& other = banks_.bank(i);
    if (name.empty() || !SameBankName(other.name(), name)) continue;
    if (!other.has_changes()) {
      // The file is that bank's, unchanged: the panel only switches to it.
      banks_.set_current_bank(i);
      return Ended(prepared);
    }
    if (!prompts_.AskOkCancel(kLoadTitle, "Revert " + other.name() + " to saved file?")) {
      return prepared ? Ended(prepared) : Cancelled();
    }
    target = i;
    banks_.set_current_slot(kNoSlot);
    prepared = kNoticeLoadedBank;
    break;
  }
  if (!ReadPatchBank(path, banks_.bank(target), target, base, prompts_)) return Ended(prepared);
  if (banks_.patch_source_bank() == target) banks_.set_patch_source_bank(kNoBank);
  BankCommandResult r = Ended(prepared);
  r.bank_text = banks_.ShowBank(target, streams_);
  return r;
}

BankCommandResult BankCommands::Save() {
  PatchBank& bank = banks_.shown();
  if (!bank.has_changes()) return Ended(kNoticeNothingToSave);
  const int result = Write(bank);
  if (result == 0) return Cancelled();
  return Ended(result);
}

BankCommandResult BankCommands::Close() {
  PatchBank& bank = banks_.shown();
  if (bank.has_changes()) {
    if (bank.patch_count() > 0) {
      const auto answer = prompts_.AskYesNoCancel(kSaveTitle, SaveQuestion(bank, "closing bank"));
      if (answer == PatchPrompts::kCancel) return Cancelled();
      if (answer == PatchPrompts::kYes) {
        const int result = Write(bank);
        if (result == 0) return Cancelled();
        if (result == kNoticeNameBank) return Ended(result);
      }
    } else if (Write(bank) == 0) {
      return Cancelled();
    }
  }
  bank.Clear();
  BankCommandResult r = Ended(kNoticeClosedBank);
  r.bank_text = banks_.ShowBank(banks_.current_bank(), streams_);
  return r;
}

bool BankCommands::SaveAtExit(SessionStore* store) {
  for (int i = 0; i < kBankCount; ++i) {
    PatchBank& bank = banks_.bank(i);
    const std::string letter(1, BankLetter(i));
    if (bank.has_changes()) {
      // Only an unnamed bank with patches takes its letter; a name the bank
      // never had makes the save ask before overwriting a file of that name.
      const bool name_by_letter = bank.name().empty() && bank.patch_count() > 0;
      if (name_by_letter) {
        bank.set_name(letter);
        bank.set_renamed(true);
      }
      if (bank.name().empty()) {
        // Nothing stored and no file of its own: nothing to save or delete.
        bank.set_dirty(kBankSaved);
      } else if (Write(bank) == 0) {
        if (name_by_letter) {
          bank.set_name({});
          bank.set_renamed(false);
        }
        return false;
      }
    }
    if (store)
      SaveSessionEntry(*store, bank.patch_count() > 0 ? bank.name() : std::string(), letter[0]);
  }
  return true;
}

}  // namespace kornmill
