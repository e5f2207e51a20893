// The manual's listing of a factory bank: each patch with what to try and its settings.
#pragma once

#include <string>

namespace kornmill {

struct FactoryBankSource;

// The anchor of a bank's section ("bank-clouds") and of a patch's row ("clouds-3").
std::string BankAnchor(const std::string& bank_name);
std::string PatchAnchor(const std::string& bank_name, int slot);

// A section for the bank: its name, its paragraph, and a table with one row
// per patch: slot, name, what to try, and the values the source sets as the
// status bar shows them.
std::string FactoryBankHtml(const FactoryBankSource& bank);

}  // namespace kornmill
