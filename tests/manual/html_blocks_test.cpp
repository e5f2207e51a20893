// Reading the manual's example blocks: pre blocks by class, plain text, and command words.
#include <gtest/gtest.h>

#include <stdexcept>

#include "manual/figures.h"
#include "manual/html_blocks.h"
#include "manual/html_text.h"

namespace kornmill {
namespace {

TEST(HtmlBlocks, PreBlocksOfOneClassWithTheirTitlesAndPlainText) {
  const std::string html =
      "<p>x</p><pre class=\"score\" title=\"a.score\">0 set 4 0 # &lt;freeze&gt;\n</pre>"
      "<pre class=\"command\">kornmill-render -o &quot;my out.wav&quot;</pre>"
      "<pre>plain</pre><pre class=\"score\" title=\"b.score\"><b>1</b> stop</pre>";
  const auto scores = PreBlocks(html, "score");
  ASSERT_EQ(scores.size(), 2u);
  EXPECT_EQ(scores[0].title, "a.score");
  EXPECT_EQ(scores[0].text, "0 set 4 0 # <freeze>\n");
  EXPECT_EQ(scores[1].text, "1 stop");
  const auto commands = PreBlocks(html, "command");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].text, "kornmill-render -o \"my out.wav\"");
}

TEST(HtmlBlocks, CommandsSplitAsAShellSplitsThem) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(SplitCommand("a  'b c' \"d e\"f g\\ h"), (Words{"a", "b c", "d ef", "g h"}));
  EXPECT_EQ(SplitCommand("a \\\n  b"), (Words{"a", "b"}));
  EXPECT_EQ(SplitCommand("  "), Words{});
  for (const char* bad : {"a 'b", "a > b", "a | b", "a $HOME", "a \"$x\"", "a *.wav", "~/x"}) {
    EXPECT_THROW(SplitCommand(bad), std::invalid_argument) << bad;
  }
}

TEST(HtmlText, PlaceholdersAreFilledAndUnknownOnesRefused) {
  const FigureMap figures = {{"slots", "20"}, {"banks", "8"}};
  EXPECT_EQ(FillPlaceholders("{{banks}} banks of {{slots}}", figures, "p"), "8 banks of 20");
  EXPECT_THROW(FillPlaceholders("{{slot}}", figures, "p"), ManualError);
  EXPECT_THROW(FillPlaceholders("{{slots", figures, "p"), ManualError);
  EXPECT_EQ(EscapeHtml("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
}

}  // namespace
}  // namespace kornmill
