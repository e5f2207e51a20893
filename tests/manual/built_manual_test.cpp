// What the build made for the manual: help pages whose links all resolve, and factory bank files
// that read back through the bank reader as their sources say.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "../patches/patch_test_util.h"
#include "built_files.h"
#include "controls/control_table.h"
#include "manual/bank_source.h"
#include "manual/factory_page.h"
#include "patches/bank_file.h"
#include "patches/bank_names.h"
#include "patches/patch_bank.h"
#include "patches/patch_bank_io.h"

namespace kornmill {
namespace {

namespace fs = std::filesystem;

const fs::path kHelp = kShare / "help";

// Every value of `attribute` in the page, in order.
std::vector<std::string> AttributeValues(const std::string& html, const std::string& attribute) {
  std::vector<std::string> values;
  const std::string key = " " + attribute + "=\"";
  for (size_t at = html.find(key); at != std::string::npos; at = html.find(key, at + 1)) {
    const size_t start = at + key.size();
    values.push_back(html.substr(start, html.find('"', start) - start));
  }
  return values;
}

std::map<std::string, std::string> Pages() {
  std::map<std::string, std::string> pages;
  for (const auto& entry : fs::directory_iterator(kHelp)) {
    if (entry.path().extension() == ".html") {
      pages[entry.path().filename().string()] = ReadText(entry.path());
    }
  }
  return pages;
}

bool External(const std::string& href) {
  return href.rfind("http://", 0) == 0 || href.rfind("https://", 0) == 0 ||
         href.rfind("mailto:", 0) == 0;
}

TEST(BuiltManual, EveryLinkResolvesAndEveryPageIsReachableFromTheContents) {
  const auto pages = Pages();
  ASSERT_GE(pages.size(), 10u) << "the build made too few pages in " << kHelp;
  int links = 0;
  std::map<std::string, std::set<std::string>> linked;  // page -> pages it links to
  for (const auto& [name, html] : pages) {
    for (const std::string& href : AttributeValues(html, "href")) {
      if (External(href)) continue;
      const size_t hash = href.find('#');
      const std::string file = hash == 0 ? name : href.substr(0, hash);
      ASSERT_TRUE(fs::exists(kHelp / file)) << name << " links to missing " << href;
      ++links;
      if (pages.count(file)) linked[name].insert(file);
      if (hash == std::string::npos) continue;
      const std::string anchor = href.substr(hash + 1);
      EXPECT_TRUE(pages.at(file).find("name=\"" + anchor + "\"") != std::string::npos)
          << name << " links to " << href << ", which has no anchor " << anchor;
    }
  }
  EXPECT_GT(links, 100);
  std::set<std::string> seen = {"index.html"};
  std::vector<std::string> todo = {"index.html"};
  while (!todo.empty()) {
    const std::string page = todo.back();
    todo.pop_back();
    for (const std::string& file : linked[page]) {
      if (seen.insert(file).second) todo.push_back(file);
    }
  }
  for (const auto& [name, html] : pages) EXPECT_TRUE(seen.count(name)) << name << " is unreachable";
}

TEST(BuiltManual, PagesAreCompleteWithTitlesAndNoTemplateLeft) {
  for (const auto& [name, html] : Pages()) {
    EXPECT_EQ(html.find("{{"), std::string::npos) << name;
    EXPECT_EQ(html.find("<!-- generated:"), std::string::npos) << name;
    EXPECT_NE(html.find("<title>"), std::string::npos) << name;
    EXPECT_NE(html.find("href=\"help.css\""), std::string::npos) << name;
    EXPECT_NE(html.rfind("</html>"), std::string::npos) << name;
  }
}

std::vector<fs::path> FactorySources() {
  std::vector<fs::path> sources;
  for (const auto& e : fs::directory_iterator(fs::path(KORNMILL_SOURCE_DIR) / "patches/factory")) {
    if (e.path().extension() == ".bank") sources.push_back(e.path());
  }
  std::sort(sources.begin(), sources.end());
  return sources;
}

TEST(BuiltManual, FactoryBanksReadBackWithTwentyStoredSlots) {
  const auto sources = FactorySources();
  ASSERT_GE(sources.size(), 2u);
  const std::string factory_page = ReadText(kHelp / "factory-banks.html");
  for (const fs::path& source_path : sources) {
    std::istringstream text(ReadText(source_path));
    const FactoryBankSource source = ParseBankSource(text, source_path.string());
    const fs::path file = kShare / "patches" / (source.name + ".kpb");
    PatchBank bank;
    testing::ScriptedPrompts prompts;  // a factory bank reads without a question or a warning
    ASSERT_TRUE(ReadPatchBank(file.string(), bank, 0, source.name, prompts)) << file;
    EXPECT_TRUE(prompts.warnings.empty());
    EXPECT_EQ(bank.name(), source.name);
    ASSERT_EQ(bank.patch_count(), kSlotsPerBank) << file;
    for (int slot = 1; slot <= kSlotsPerBank; ++slot) {
      const FactoryPatch& patch = source.patches[static_cast<size_t>(slot - 1)];
      EXPECT_TRUE(bank.slot(slot).stored());
      EXPECT_EQ(bank.slot(slot).values, patch.values) << source.name << " slot " << slot;
      EXPECT_EQ(bank.slot(slot).sound_name, patch.sound);
      // The manual names every patch in its own row.
      const std::string row = "id=\"" + PatchAnchor(source.name, slot) + "\"";
      const size_t at = factory_page.find(row);
      ASSERT_NE(at, std::string::npos) << row;
      EXPECT_NE(factory_page.find("<b>" + patch.name + "</b>", at), std::string::npos)
          << patch.name;
    }
  }
}

}  // namespace
}  // namespace kornmill
