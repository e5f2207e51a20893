// Factory banks: listed from the program's folder, copied without replacing anything, read into empty banks.
#include "patches/factory_banks.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "patches/bank_file.h"
#include "patches/bank_names.h"
#include "patches/bank_table.h"
#include "patches/patch_bank_io.h"
#include "patches/patch_prompts.h"
#include "patches/safe_file.h"

namespace kornmill {

namespace {

constexpr std::string_view kFactoryTitle = "Factory banks";

// One factory bank into the patches folder; a problem line, or empty.
std::string CopyOne(const std::string& name, const std::string& factory_folder,
                    const std::string& patch_folder, FactoryCopy& result) {
  const std::string from = BankFilePath(factory_folder, name);
  std::vector<uint8_t> bytes;
  std::string error;
  if (ReadFileStart(from, kMaxBankFileBytes, &bytes, &error) != ReadStatus::kOk) {
    return from + " could not be read" + (error.empty() ? "" : ": " + error);
  }
  if (ParseBankFile(bytes).status != BankFileStatus::kOk) {
    return from + " is not a valid Kornmill patch bank file";
  }
  switch (CreateNewFile(BankFilePath(patch_folder, name), bytes, &error)) {
    case CreateStatus::kCreated:
      result.copied.push_back(name);
      [[fallthrough]];
    case CreateStatus::kExists:
      result.available.push_back(name);
      return {};
    case CreateStatus::kFailed:
      break;
  }
  return name + " could not be copied into " + patch_folder + ": " + error;
}

}  // namespace

std::vector<std::string> ListFactoryBanks(const std::string& factory_folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(factory_folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::filesystem::path& path = it->path();
    if (path.extension() != kBankFileExtension || !it->is_regular_file(ec)) continue;
    const std::string name = path.stem().string();
    // Only names that lead back to their file: a bank is saved under its name.
    if (SafeBankFileName(name) == name) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

FactoryCopy CopyFactoryBanks(const std::string& factory_folder, const std::string& patch_folder) {
  FactoryCopy result;
  const std::vector<std::string> names = ListFactoryBanks(factory_folder);
  if (names.empty()) return result;
  std::error_code ec;
  std::filesystem::create_directories(patch_folder, ec);
  if (ec) {
    result.problems.push_back("The patches folder " + patch_folder +
                              " could not be made: " + ec.message());
    return result;
  }
  for (const std::string& name : names) {
    std::string problem = CopyOne(name, factory_folder, patch_folder, result);
    if (!problem.empty()) result.problems.push_back(std::move(problem));
  }
  return result;
}

void OfferFactoryBanks(const std::string& factory_folder, const std::string& patch_folder,
                       BankTable& banks, std::array<bool, kBankCount>& loaded,
                       PatchPrompts& prompts) {
  const FactoryCopy copy = CopyFactoryBanks(factory_folder, patch_folder);
  if (!copy.problems.empty()) {
    std::string text = "Some factory patch banks are not available:";
    for (const std::string& line : copy.problems) text += "\n" + line;
    prompts.ShowWarning(kFactoryTitle, text);
  }
  int bank = 0;
  for (const std::string& name : copy.available) {
    while (bank < kBankCount && (loaded[bank] || banks.bank(bank).patch_count() > 0)) ++bank;
    if (bank == kBankCount) return;
    // A file that cannot be read (said in a warning) leaves the bank to the next one.
    if (ReadPatchBank(BankFilePath(patch_folder, name), banks.bank(bank), bank, name, prompts)) {
      loaded[bank] = true;
      ++bank;
    }
  }
}

}  // namespace kornmill
