// Reading <pre> blocks out of the manual's HTML and splitting their command lines into words.
#include "manual/html_blocks.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace kornmill {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kEntities = {{
    {"&lt;", "<"},
    {"&gt;", ">"},
    {"&quot;", "\""},
    {"&#39;", "'"},
    {"&nbsp;", " "},
    {"&hellip;", "\xE2\x80\xA6"},
    {"&minus;", "\xE2\x88\x92"},
    {"&amp;", "&"},
}};

// The value of attribute `name` in the tag text `tag`; empty when absent.
std::string Attribute(std::string_view tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const size_t at = tag.find(key);
  if (at == std::string_view::npos) return {};
  const size_t start = at + key.size();
  const size_t end = tag.find('"', start);
  return std::string(tag.substr(start, end == std::string_view::npos ? end : end - start));
}

bool Special(char c) {
  return std::string_view("|;&<>$`~*?()[]{}").find(c) != std::string_view::npos;
}

}  // namespace

std::string PlainText(std::string_view html) {
  std::string text;
  for (size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '<') {
      const size_t close = html.find('>', i);
      if (close == std::string_view::npos) break;
      i = close;
      continue;
    }
    bool entity = false;
    for (const auto& [name, value] : kEntities) {
      if (html.substr(i, name.size()) == name) {
        text += value;
        i += name.size() - 1;
        entity = true;
        break;
      }
    }
    if (!entity) text += html[i];
  }
  return text;
}

std::vector<PreBlock> PreBlocks(std::string_view html, std::string_view css_class) {
  std::vector<PreBlock> blocks;
  size_t at = 0;
  while ((at = html.find("<pre", at)) != std::string_view::npos) {
    const size_t tag_end = html.find('>', at);
    const size_t close = html.find("</pre>", at);
    if (tag_end == std::string_view::npos || close == std::string_view::npos) break;
    const std::string_view tag = html.substr(at, tag_end - at);
    if (Attribute(tag, "class") == css_class) {
      blocks.push_back({Attribute(tag, "title"),
                        PlainText(html.substr(tag_end + 1, close - tag_end - 1))});
    }
    at = close;
  }
  return blocks;
}

std::vector<std::string> SplitCommand(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (c == '\'' || c == '"') {
      const size_t end = line.find(c, i + 1);
      if (end == std::string_view::npos) throw std::invalid_argument("an unclosed quote");
      const std::string_view quoted = line.substr(i + 1, end - i - 1);
      // A shell expands these inside double quotes; the words here would differ.
      if (c == '"' && quoted.find_first_of("$`\\") != std::string_view::npos) {
        throw std::invalid_argument("a double-quoted word holds $, ` or \\");
      }
      word += quoted;
      in_word = true;
      i = end;
    } else if (c == '\\' && i + 1 < line.size()) {
      // A backslash before a line end joins the lines.
      if (line[i + 1] != '\n') word += line[i + 1];
      in_word = in_word || line[i + 1] != '\n';
      ++i;
    } else if (Special(c)) {
      throw std::invalid_argument(std::string("a simple command holds no ") + c);
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace kornmill
