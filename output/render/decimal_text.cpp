// Checking and converting decimal number texts.
#include "output/render/decimal_text.h"

#include <charconv>
#include <cmath>

namespace kornmill {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Skips digits from `i`; returns how many there were.
size_t SkipDigits(std::string_view t, size_t& i) {
  const size_t from = i;
  while (i < t.size() && IsDigit(t[i])) ++i;
  return i - from;
}

// The text without a leading '+', which from_chars does not take.
std::string_view WithoutPlus(std::string_view t) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  return t;
}

}  // namespace

bool ParseWholeNumber(std::string_view text, long long& value) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (SkipDigits(text, i) == 0 || i != text.size()) return false;
  const std::string_view t = WithoutPlus(text);
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool ParseDecimalNumber(std::string_view text, double& value) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = SkipDigits(text, i);
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits += SkipDigits(text, i);
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (SkipDigits(text, i) == 0) return false;
  }
  if (i != text.size()) return false;
  const std::string_view t = WithoutPlus(text);
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(value);
}

}  // namespace kornmill
