// Scripted answers for the bank commands, a private folder, bank files, and a stream to store
// from.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/sound.h"
#include "controls/stream.h"
#include "patches/patch_bank.h"
#include "patches/patch_bank_io.h"
#include "patches/patch_prompts.h"
#include "patches/session_patches.h"
#include "resources/ids.h"

namespace kornmill::testing {

class ScriptedPrompts : public PatchPrompts {
 public:
  struct Box {
    std::string title;
    std::string text;
  };

  Answer AskYesNoCancel(std::string_view title, std::string_view text) override {
    return Next(answers, kCancel, title, text);
  }
  bool AskOkCancel(std::string_view title, std::string_view text) override {
    return Next(oks, false, title, text);
  }
  void ShowWarning(std::string_view title, std::string_view text) override {
    warnings.push_back({std::string(title), std::string(text)});
  }
  std::string ChooseBankFile(std::string_view folder) override {
    chooser_folders.emplace_back(folder);
    return chosen;
  }

  std::deque<Answer> answers;  // yes/no/cancel boxes, in order
  std::deque<bool> oks;        // OK/Cancel boxes, in order
  std::string chosen;          // what the chooser returns
  std::vector<Box> questions;
  std::vector<Box> warnings;
  std::vector<std::string> chooser_folders;

 private:
  // Records the question and gives the next scripted answer, or `none` when the script is out.
  template <typename T>
  T Next(std::deque<T>& script, T none, std::string_view title, std::string_view text) {
    questions.push_back({std::string(title), std::string(text)});
    if (script.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return none;
    }
    const T answer = script.front();
    script.pop_front();
    return answer;
  }
};

// The session kept in memory; `fail` makes every call throw.
class MemorySession : public SessionStore {
 public:
  bool HasSessionPatches() override {
    Check();
    return exists;
  }
  std::string ReadBankEntry(char letter) override {
    Check();
    auto it = values.find(letter);
    return it == values.end() ? std::string() : it->second;
  }
  void WriteBankEntry(char letter, const std::string& name) override {
    Check();
    exists = true;
    values[letter] = name;
  }
  void DeleteBankEntry(char letter) override {
    Check();
    exists = true;
    values.erase(letter);
  }
  void Check() const {
    if (fail) throw std::runtime_error("Could not open new key handle");
  }
  bool exists = false;
  bool fail = false;
  std::map<char, std::string> values;
};

// A fresh folder under the temporary folder, removed with the object.
struct TempFolder {
  TempFolder() {
    std::string name =
        (std::filesystem::temp_directory_path() / "kornmill-patches-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path = name + "/";
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;  // ends in '/'
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Writes `name`.kpb into `folder` with the program's own writer: `count` patches of `sound`.
inline void WriteBankFile(const std::string& folder, const std::string& name, int count,
                          const std::string& sound = "f") {
  PatchBank bank;
  for (int n = 1; n <= count; ++n) bank.Store(n, sound, {});
  bank.set_name(name);
  ScriptedPrompts prompts;
  ASSERT_EQ(WritePatchBank(bank, folder, prompts), kNoticeSavedBank);
}

// Stream 1 on a stand-in for the built-in sine.
struct StreamFixture {
  StreamFixture() {
    sine.builtin = true;
    streams.InitStreams(&sine);
  }
  Stream& stream() { return streams[0]; }
  // Sets control k's target (what a scrollbar shows) and current value.
  void Set(int k, int target, float current) {
    stream().controls[static_cast<size_t>(k)].target = target;
    stream().controls[static_cast<size_t>(k)].current = current;
  }
  Sound sine;
  StreamTable streams;
};

}  // namespace kornmill::testing
