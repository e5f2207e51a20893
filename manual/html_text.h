// Small text helpers of the manual's generator: HTML escaping and {{name}} placeholders.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kornmill {

// A page or text the generator cannot complete; the text says where.
class ManualError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `text` with & < > " written as entities.
std::string EscapeHtml(std::string_view text);

// `text` with every {{name}} replaced by its value in `values`; an unknown
// name or an unclosed {{ throws ManualError naming `where`.
std::string FillPlaceholders(std::string_view text,
                             const std::map<std::string, std::string, std::less<>>& values,
                             std::string_view where);

}  // namespace kornmill
