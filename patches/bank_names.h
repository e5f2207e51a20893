// Naming rules of banks and slots: button captions, typed names and the file names made of them.
#pragma once

#include <string>
#include <string_view>

namespace kornmill {

// A bank name holds at most this many characters (the name box's limit).
inline constexpr int kBankNameLimit = 64;
// The text the name box shows while it asks for a name.
inline constexpr std::string_view kBankNamePlaceholder = "Bank Name?";
inline constexpr std::string_view kBankFileExtension = ".kpb";

// "A" .. "H" for banks 0 .. 7.
char BankLetter(int bank);

// A slot button's caption: "Slot %d" when empty; "Patch &%d" (1..9), "Patch 1&0"
// (10) or "Patch %d" (11..20) when stored, with "*" appended when changed.
std::string SlotCaption(int slot, bool stored, bool changed);

// The first `limit` UTF-8 characters of `s` (a character is never split).
std::string FirstCharacters(std::string_view s, int limit);

// A typed bank name without the characters " * ? \ / < > : .
std::string FilterBankName(std::string_view typed);

// A name that becomes a file name (a typed bank name, a chosen file's base
// name, a stored session value): the typed-name filter, control characters
// and leading dots removed, cut to 64 characters. The result never names a
// file outside the folder it is joined to.
std::string SafeBankFileName(std::string_view name);

// `folder` (ending in '/') + the safe form of `name` + ".kpb".
std::string BankFilePath(std::string_view folder, std::string_view name);

// The file name of `path` without its folder and its last extension.
std::string BaseNameOf(std::string_view path);
// The folder of `path` with its trailing '/' ("./" for a bare name).
std::string FolderOf(std::string_view path);

// Bank names compared the way file names are matched: ignoring the case of letters.
bool SameBankName(std::string_view a, std::string_view b);

// `folder` with exactly one trailing '/'.
std::string WithTrailingSlash(std::string_view folder);

}  // namespace kornmill
