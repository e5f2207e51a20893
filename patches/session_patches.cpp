// LoadSessionPatches and SaveSessionEntry over a settings store.
#include "patches/session_patches.h"

#include <exception>

#include "patches/bank_names.h"
#include "patches/bank_table.h"
#include "patches/factory_banks.h"
#include "patches/patch_bank_io.h"

namespace kornmill {

std::array<bool, kBankCount> LoadSessionPatches(SessionStore& store, const std::string& folder,
                                                BankTable& banks, PatchPrompts& prompts,
                                                const std::string& factory_folder) {
  std::array<bool, kBankCount> loaded{};
  bool session = true;
  try {
    session = store.HasSessionPatches();
    for (int i = 0; i < kBankCount; ++i) {
      const std::string letter(1, BankLetter(i));
      if (!session) {
        // First run: the letter-named files, each bank named by its letter.
        loaded[i] =
            ReadPatchBank(BankFilePath(folder, letter), banks.bank(i), i, std::nullopt, prompts);
        continue;
      }
      // A stored name never reaches outside the folder.
      std::string name = SafeBankFileName(store.ReadBankEntry(letter[0]));
      if (name.empty()) name = letter;
      loaded[i] = ReadPatchBank(BankFilePath(folder, name), banks.bank(i), i, name, prompts);
    }
  } catch (const std::exception&) {
    // The banks loaded so far stay; start-up goes on.
  }
  if (!session && !factory_folder.empty()) {
    OfferFactoryBanks(factory_folder, folder, banks, loaded, prompts);
  }
  return loaded;
}

void SaveSessionEntry(SessionStore& store, const std::string& name, char letter) {
  try {
    if (name.empty()) {
      store.DeleteBankEntry(letter);
    } else {
      store.WriteBankEntry(letter, name);
    }
  } catch (const std::exception&) {
    // Exit goes on with the next bank.
  }
}

}  // namespace kornmill
