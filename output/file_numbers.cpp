// Finding the numbered output soundfiles of a folder.
#include "output/file_numbers.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace kornmill {

namespace {

constexpr std::string_view kStem = "sifter";
constexpr std::string_view kExtension = ".wav";
constexpr size_t kLeastDigits = 2;  // "%02d"
constexpr size_t kMostDigits = 3;   // the counter has 7 bits

// Removes the digits at the front of `s`; returns how many there were.
size_t TakeDigits(std::string_view& s) {
  size_t n = 0;
  while (n < s.size() && std::isdigit(static_cast<unsigned char>(s[n]))) ++n;
  s.remove_prefix(n);
  return n;
}

}  // namespace

int OutputFileNumber(std::string_view name) {
  if (name.substr(0, kStem.size()) != kStem) return -1;
  name.remove_prefix(kStem.size());
  const std::string_view digits = name;
  const size_t count = TakeDigits(name);
  if (count < kLeastDigits || count > kMostDigits) return -1;
  // A per-stream file: ".<stream>" before the extension.
  if (name.size() > kExtension.size() && name[0] == '.') {
    std::string_view stream = name.substr(1);
    if (TakeDigits(stream) > 0) name = stream;
  }
  if (name != kExtension) return -1;
  int number = 0;
  for (size_t i = 0; i < count; ++i) number = number * 10 + (digits[i] - '0');
  return number;
}

int HighestOutputFileNumber(const std::string& folder, int max_count) {
  int highest = -1;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const int number = OutputFileNumber(it->path().filename().string());
    if (number <= max_count && number > highest) highest = number;
  }
  return highest;
}

}  // namespace kornmill
