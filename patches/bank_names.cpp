// Captions, name filters and bank file paths.
#include "patches/bank_names.h"

#include <cstdio>

namespace kornmill {

namespace {

constexpr std::string_view kNameBoxForbidden = "\"*?\\/<>:";
constexpr int kSlotMnemonicLast = 9;  // slots 1..9 take Alt+1..Alt+9, slot 10 Alt+0
constexpr int kSlotTen = 10;

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Bytes of the first `limit` UTF-8 characters of `s` (continuation bytes count with their lead).
size_t PrefixOfCharacters(std::string_view s, int limit) {
  int characters = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
    if (!continuation && ++characters > limit) return i;
  }
  return s.size();
}

}  // namespace

std::string FirstCharacters(std::string_view s, int limit) {
  return std::string(s.substr(0, PrefixOfCharacters(s, limit)));
}

char BankLetter(int bank) {
  return static_cast<char>('A' + bank);
}

std::string SlotCaption(int slot, bool stored, bool changed) {
  char text[32];
  if (!stored) {
    std::snprintf(text, sizeof text, "Slot %d", slot);
  } else if (slot <= kSlotMnemonicLast) {
    std::snprintf(text, sizeof text, "Patch &%d", slot);
  } else if (slot == kSlotTen) {
    std::snprintf(text, sizeof text, "Patch 1&0");
  } else {
    std::snprintf(text, sizeof text, "Patch %d", slot);
  }
  std::string caption = text;
  if (stored && changed) caption += '*';
  return caption;
}

std::string FilterBankName(std::string_view typed) {
  std::string out;
  out.reserve(typed.size());
  for (char c : typed) {
    if (kNameBoxForbidden.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

std::string SafeBankFileName(std::string_view name) {
  std::string out;
  for (char c : FilterBankName(name)) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    if (c == '.' && out.empty()) continue;
    out += c;
  }
  out.resize(PrefixOfCharacters(out, kBankNameLimit));
  return out;
}

std::string WithTrailingSlash(std::string_view folder) {
  std::string out(folder);
  while (out.size() > 1 && out.back() == '/' && out[out.size() - 2] == '/') out.pop_back();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

std::string BankFilePath(std::string_view folder, std::string_view name) {
  return WithTrailingSlash(folder) + SafeBankFileName(name) + std::string(kBankFileExtension);
}

std::string BaseNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = file.rfind('.');
  if (dot != std::string_view::npos && dot > 0) file = file.substr(0, dot);
  return std::string(file);
}

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return "./";
  return std::string(path.substr(0, slash + 1));
}

bool SameBankName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace kornmill
