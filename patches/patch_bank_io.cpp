// ReadPatchBank and WritePatchBank: bank files through a scratch bank and a temporary file.
#include "patches/patch_bank_io.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "patches/bank_file.h"
#include "patches/bank_names.h"
#include "patches/patch_bank.h"
#include "patches/patch_prompts.h"
#include "patches/safe_file.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

constexpr std::string_view kFileError = "File error";
constexpr std::string_view kSaveTitle = "Save the patches!";
constexpr std::string_view kFileManagement = "File management";

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

void DeleteEmptyFile(const std::string& path, PatchPrompts& prompts) {
  if (::unlink(path.c_str()) == 0) {
    prompts.ShowWarning(kFileError, path + " is empty. File deleted.");
  } else {
    prompts.ShowWarning(kFileError, path + " is empty. It could not be deleted: " +
                                        std::system_category().message(errno));
  }
}

// An emptied bank: its file is deleted (after a question unless the name is
// the bank's own letter-like one); the bank forgets its name.
int WriteEmptiedBank(PatchBank& bank, const std::string& folder, PatchPrompts& prompts) {
  const std::string& name = bank.name();
  // A one-letter name is the program's own file; a renamed bank's file is
  // another bank's, so that is asked about too.
  if (name.size() > 1 || bank.renamed()) {
    const auto answer = prompts.AskYesNoCancel(
        kFileManagement,
        name + " is empty\nDo you want to delete the associated file if it exists?");
    if (answer == PatchPrompts::kCancel) return 0;
    if (answer == PatchPrompts::kNo) {
      bank.set_dirty(kBankSaved);
      return kNoticeNothingToSave;
    }
  }
  if (!SafeBankFileName(name).empty()) {
    const std::string path = BankFilePath(folder, name);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      prompts.ShowWarning(
          kFileError, "Could not delete " + path + ": " + std::system_category().message(errno));
    }
  }
  bank.set_name({});
  bank.set_dirty(kBankSaved);
  bank.set_renamed(false);
  return kNoticeNothingToSave;
}

}  // namespace

bool ReadPatchBank(const std::string& path, PatchBank& bank, int bank_index,
                   const std::optional<std::string>& base_name, PatchPrompts& prompts) {
  std::vector<uint8_t> bytes;
  std::string error;
  switch (ReadFileStart(path, kMaxBankFileBytes, &bytes, &error)) {
    case ReadStatus::kMissing:
      return false;
    case ReadStatus::kFailed:
      prompts.ShowWarning(kFileError, "Could not read " + path + ": " + error);
      return false;
    case ReadStatus::kOk:
      break;
  }
  const ParsedBankFile parsed = ParseBankFile(bytes);
  if (parsed.status == BankFileStatus::kInvalid) {
    prompts.ShowWarning(kFileError, path + "\nis not a valid Kornmill patch bank file");
    return false;
  }
  if (parsed.status == BankFileStatus::kEmpty) {
    DeleteEmptyFile(path, prompts);
    return false;
  }
  std::string name = base_name ? SafeBankFileName(*base_name) : std::string();
  if (name.empty()) name = std::string(1, BankLetter(bank_index));
  // A name that does not lead back to this file (a character a file name may
  // not hold, another extension) names another file: its first save asks
  // before overwriting.
  const bool renamed = BankFilePath(FolderOf(path), name) != path;
  bank.TakeRead(parsed.patches, std::move(name), renamed);
  return true;
}

int WritePatchBank(PatchBank& bank, const std::string& folder, PatchPrompts& prompts) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!bank.has_changes()) return kNoticeNothingToSave;
  if (bank.patch_count() == 0) return WriteEmptiedBank(bank, folder, prompts);
  if (SafeBankFileName(bank.name()).empty()) return kNoticeNameBank;
  const std::string path = BankFilePath(folder, bank.name());
  if (bank.renamed() && FileExists(path) &&
      !prompts.AskOkCancel(kSaveTitle, path + "\nThis file exists. Do you want to overwrite?")) {
    return 0;
  }
  const std::vector<uint8_t> bytes = SerializeBank(bank);
  std::string error;
  if (!ReplaceFile(path, bytes, &error)) {
    prompts.ShowWarning(kFileError, "Could not save " + path + ": " + error);
    return 0;
  }
  bank.MarkWritten();
  return kNoticeSavedBank;
}

}  // namespace kornmill
