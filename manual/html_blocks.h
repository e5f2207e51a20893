// The example blocks of the manual's pages: scores and commands, read back out of the HTML.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kornmill {

struct PreBlock {
  std::string title;  // the title attribute: a score's file name
  std::string text;   // the block's text, markup removed and entities decoded
};

// Every `<pre class="CLASS" ...>...</pre>` of `html`, in page order.
std::vector<PreBlock> PreBlocks(std::string_view html, std::string_view css_class);

// `html` text with tags removed and the entities the pages use decoded.
std::string PlainText(std::string_view html);

// A command line split into words the way a POSIX shell splits a simple
// command: blanks separate, '...' and "..." quote, a backslash escapes. Throws
// std::invalid_argument for an unclosed quote and for what a shell would
// read otherwise (pipes, redirections, expansions, globs).
std::vector<std::string> SplitCommand(std::string_view line);

}  // namespace kornmill
