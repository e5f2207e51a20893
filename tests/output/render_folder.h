// A fresh folder per test for the offline renderer's files, and helpers that run kornmill-render
// and read back what it wrote.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "output/render/render_options.h"

namespace kornmill::testing {

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The soundfile's samples as floats, interleaved; empty when it cannot be opened.
inline std::vector<float> ReadFloats(const std::string& path, SF_INFO* info = nullptr) {
  SF_INFO local{};
  SF_INFO& i = info ? *info : local;
  i = SF_INFO{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &i);
  if (!f) return {};
  std::vector<float> v(static_cast<size_t>(i.frames * i.channels));
  sf_readf_float(f, v.data(), i.frames);
  sf_close(f);
  return v;
}

// The largest magnitude among samples [begin, end) of `v`.
inline float Peak(const std::vector<float>& v, size_t begin, size_t end) {
  float p = 0;
  for (size_t i = begin; i < std::min(end, v.size()); ++i) p = std::max(p, std::abs(v[i]));
  return p;
}

// The text of the UsageError the arguments give, or "accepted".
inline std::string UsageMessage(const std::vector<std::string>& args) {
  try {
    ParseRenderArgs(args);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "accepted";
}

class RenderFolder : public ::testing::Test {
 protected:
  RenderFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("kornmill-render-" + std::to_string(::getpid()) + "-" + test->test_suite_name() +
               "-" + test->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  ~RenderFolder() override { std::filesystem::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Runs kornmill-render; its exit code, with stdout and stderr in `output`.
  int Run(const std::string& args, std::string* output = nullptr) const {
    const std::string log = Path("log.txt");
    const int rc =
        std::system((std::string(KORNMILL_RENDER) + " " + args + " >" + log + " 2>&1").c_str());
    if (output) *output = ReadBytes(log);
    std::filesystem::remove(log);
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  // The names in a folder, sorted.
  static std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      names.push_back(e.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path folder_;
};

}  // namespace kornmill::testing
