// Reading a bank from its file and writing it back, with the questions and messages on the way.
#pragma once

#include <optional>
#include <string>

namespace kornmill {

class PatchBank;
class PatchPrompts;

// Reads the bank file at `path` into `bank` (index `bank_index`, for its
// letter). Returns false when the file is missing (silently), is no valid
// bank file ("File error" warning; the bank stays exactly as it was) or holds
// no patches (deleted, with a warning). On success the bank is named
// `base_name` in its file-safe form, or by its letter when none is given.
// Main thread.
bool ReadPatchBank(const std::string& path, PatchBank& bank, int bank_index,
                   const std::optional<std::string>& base_name, PatchPrompts& prompts);

// Writes `bank` to "<folder><name>.kpb" (the folder made when missing).
// Returns 1602 written; 1604 the bank has no name; 1605 nothing written (no
// changes, or an emptied bank whose file was handled); 0 when the user
// cancelled a question or the file could not be written (a warning says why;
// the old file is left intact). Main thread.
int WritePatchBank(PatchBank& bank, const std::string& folder, PatchPrompts& prompts);

}  // namespace kornmill
