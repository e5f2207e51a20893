// HTML escaping and placeholder filling for the manual's pages.
#include "manual/html_text.h"

namespace kornmill {

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string FillPlaceholders(std::string_view text,
                             const std::map<std::string, std::string, std::less<>>& values,
                             std::string_view where) {
  std::string out;
  size_t at = 0;
  while (true) {
    const size_t open = text.find("{{", at);
    out += text.substr(at, open == std::string_view::npos ? open : open - at);
    if (open == std::string_view::npos) return out;
    const size_t close = text.find("}}", open + 2);
    if (close == std::string_view::npos) {
      throw ManualError(std::string(where) + ": an unclosed {{");
    }
    const std::string_view name = text.substr(open + 2, close - open - 2);
    const auto it = values.find(name);
    if (it == values.end()) {
      throw ManualError(std::string(where) + ": no figure named {{" + std::string(name) + "}}");
    }
    out += it->second;
    at = close + 2;
  }
}

}  // namespace kornmill
