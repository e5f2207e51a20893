// kornmill-manual: the build's generator of the help pages, the factory bank files and the example scores.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "manual/bank_source.h"
#include "manual/html_blocks.h"
#include "manual/html_text.h"
#include "manual/page_template.h"
#include "patches/bank_file.h"
#include "patches/bank_names.h"
#include "patches/patch_bank.h"
#include "patches/safe_file.h"

namespace {

using kornmill::ManualError;

constexpr const char* kUsage =
    "Usage: kornmill-manual bank SOURCE OUT.kpb\n"
    "       kornmill-manual page TEMPLATE.html OUT.html [BANK_SOURCE...]\n"
    "       kornmill-manual scores PAGE.html FOLDER\n";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) throw ManualError(path + ": could not be read");
  return text.str();
}

void Write(const std::string& path, std::string_view text) {
  std::string error;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  if (!kornmill::ReplaceFile(path, {bytes, text.size()}, &error)) {
    throw ManualError(path + ": could not be written: " + error);
  }
}

kornmill::FactoryBankSource ReadSource(const std::string& path) {
  std::istringstream in(ReadText(path));
  return kornmill::ParseBankSource(in, path);
}

void MakeBank(const std::string& source_path, const std::string& out) {
  const kornmill::FactoryBankSource source = ReadSource(source_path);
  // A bank is saved under its name: the file must carry it.
  if (kornmill::BaseNameOf(out) != source.name) {
    throw ManualError(out + ": the bank \"" + source.name + "\" belongs in \"" + source.name +
                      ".kpb\"");
  }
  const std::vector<uint8_t> bytes = kornmill::SerializeBank(kornmill::ToPatchBank(source));
  Write(out, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

void MakePage(const std::string& template_path, const std::string& out,
              const std::vector<std::string>& sources) {
  std::vector<kornmill::FactoryBankSource> banks;
  for (const std::string& path : sources) banks.push_back(ReadSource(path));
  Write(out, kornmill::MakePage(ReadText(template_path), template_path, banks));
}

void WriteScores(const std::string& page, const std::string& folder) {
  for (const kornmill::PreBlock& block : kornmill::PreBlocks(ReadText(page), "score")) {
    if (block.title.empty() || kornmill::SafeBankFileName(block.title) != block.title) {
      throw ManualError(page + ": a score needs a file name as its title, not \"" + block.title +
                        "\"");
    }
    Write(folder + "/" + block.title, block.text);
  }
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 3 && args[0] == "bank") {
    MakeBank(args[1], args[2]);
  } else if (args.size() >= 3 && args[0] == "page") {
    MakePage(args[1], args[2], {args.begin() + 3, args.end()});
  } else if (args.size() == 3 && args[0] == "scores") {
    WriteScores(args[1], args[2]);
  } else {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kornmill-manual: error: %s\n", e.what());
    return 1;
  }
}
