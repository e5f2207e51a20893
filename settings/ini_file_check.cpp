// Line-by-line checks of INI settings text.
#include "settings/ini_file_check.h"

#include <cstdint>

namespace kornmill {

namespace {

enum class LineKind { kBlank, kComment, kGroup, kSetting, kBroken };

std::string_view Trimmed(std::string_view line) {
  const char* blanks = " \t\r";
  const size_t first = line.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

LineKind Classify(std::string_view raw) {
  const std::string_view line = Trimmed(raw);
  if (line.empty()) return LineKind::kBlank;
  if (line[0] == ';' || line[0] == '#') return LineKind::kComment;
  if (line[0] == '[') return line.back() == ']' ? LineKind::kGroup : LineKind::kBroken;
  return line.find('=') != std::string_view::npos ? LineKind::kSetting : LineKind::kBroken;
}

// Length of the UTF-8 sequence starting with `lead`, or 0 when no sequence does.
int SequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    const int n = SequenceLength(lead);
    if (n == 0 || i + static_cast<size_t>(n) > bytes.size()) return false;
    for (int k = 1; k < n; ++k) {
      if ((static_cast<uint8_t>(bytes[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    }
    if (n >= 3) {
      const auto second = static_cast<uint8_t>(bytes[i + 1]);
      // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
      if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
          (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return false;
      }
    }
    i += static_cast<size_t>(n);
  }
  return true;
}

// Calls `visit(number, line)` for each line; stops at the first false.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit&& visit) {
  int number = 0;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    if (!visit(++number, bytes.substr(0, end))) return;
    if (end == std::string_view::npos) return;
    bytes.remove_prefix(end + 1);
  }
}

}  // namespace

std::string FindIniDamage(std::string_view bytes) {
  if (!IsUtf8(bytes)) return "it is not UTF-8 text";
  if (!bytes.empty() && bytes.back() != '\n') return "it ends in the middle of a line";
  std::string damage;
  ForEachLine(bytes, [&damage](int number, std::string_view line) {
    const LineKind kind = Classify(line);
    if (kind != LineKind::kBroken) return true;
    const bool group = Trimmed(line)[0] == '[';
    damage =
        "line " + std::to_string(number) + (group ? " is not a group name" : " is not a setting");
    return false;
  });
  return damage;
}

int CountIniSettings(std::string_view bytes) {
  int count = 0;
  ForEachLine(bytes, [&count](int, std::string_view line) {
    if (Classify(line) == LineKind::kSetting) ++count;
    return true;
  });
  return count;
}

}  // namespace kornmill
