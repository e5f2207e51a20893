// The banks installed with the program: copied into the patches folder and offered on a first run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "patches/patch_slot.h"

namespace kornmill {

class BankTable;
class PatchPrompts;

// The base names of the bank files ("<name>.kpb") in `factory_folder`, sorted;
// none when the folder is missing. Main thread.
std::vector<std::string> ListFactoryBanks(const std::string& factory_folder);

// What a first run did with the factory banks.
struct FactoryCopy {
  std::vector<std::string> available;  // base names the patches folder now holds
  std::vector<std::string> copied;     // those copied just now
  std::vector<std::string> problems;   // one line per bank that could not be copied
};

// Copies every valid factory bank into `patch_folder` (made when missing)
// where no file of its name exists; a file already there, whatever it holds,
// is left untouched and counts as available. Main thread.
FactoryCopy CopyFactoryBanks(const std::string& factory_folder, const std::string& patch_folder);

// A first run: the factory banks are copied into `patch_folder` and read into
// the banks still empty, from A on, each named after its file; `loaded` marks
// the banks that hold a file already and gains those filled here. Problems
// reach the user as one warning. Main thread.
void OfferFactoryBanks(const std::string& factory_folder, const std::string& patch_folder,
                       BankTable& banks, std::array<bool, kBankCount>& loaded,
                       PatchPrompts& prompts);

}  // namespace kornmill
