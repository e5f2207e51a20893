// Every example command of the manual, run as the manual shows it in a copy of the examples
// folder: it exits 0 and writes a sound that is neither silent nor clipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "built_files.h"
#include "manual/html_blocks.h"

namespace kornmill {
namespace {

namespace fs = std::filesystem;

struct Example {
  std::string page;
  std::vector<std::string> words;
};

std::vector<Example> Examples() {
  std::vector<Example> examples;
  for (const auto& entry : fs::directory_iterator(kShare / "help")) {
    for (const PreBlock& block : PreBlocks(ReadText(entry.path()), "command")) {
      examples.push_back({entry.path().filename().string(), SplitCommand(block.text)});
    }
  }
  return examples;
}

// Runs `words` (the program first) in `folder` with output to `log`; the exit status.
int RunCommand(const std::vector<std::string>& words, const fs::path& folder, const fs::path& log) {
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::dup2(fd, STDOUT_FILENO);
    ::dup2(fd, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Level {
  double peak = 0;
  double rms = 0;
};

Level LevelOf(const fs::path& wav) {
  SF_INFO info{};
  SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
  if (!file) return {};
  std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
  sf_read_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  Level level;
  double sum = 0;
  for (float s : samples) {
    level.peak = std::max(level.peak, double(std::fabs(s)));
    sum += double(s) * s;
  }
  level.rms = samples.empty() ? 0 : std::sqrt(sum / samples.size());
  return level;
}

TEST(ManualExamples, EveryCommandRunsAndMakesASound) {
  const auto examples = Examples();
  ASSERT_GE(examples.size(), 4u) << "the recipes hold fewer examples than they should";
  const fs::path work =
      fs::temp_directory_path() / ("kornmill-examples-" + std::to_string(::getpid()));
  for (const Example& example : examples) {
    fs::remove_all(work);
    fs::copy(kShare / "examples", work);
    std::vector<std::string> words = example.words;
    ASSERT_FALSE(words.empty());
    ASSERT_EQ(words[0], "kornmill-render") << example.page;
    words[0] = KORNMILL_RENDER;
    std::string output;
    for (size_t i = 0; i + 1 < words.size(); ++i) {
      if (words[i] == "-o") output = words[i + 1];
    }
    ASSERT_FALSE(output.empty()) << example.page << ": a command without -o";
    const fs::path log =
        work.parent_path() / ("kornmill-examples-" + std::to_string(::getpid()) + ".log");
    const int status = RunCommand(words, work, log);
    const std::string printed = ReadText(log);
    fs::remove(log);
    EXPECT_EQ(status, 0) << example.page << ": " << printed;
    const Level level = LevelOf(work / output);
    EXPECT_GT(level.rms, 0.003) << example.page << ": " << output << " is nearly silent";
    EXPECT_LT(level.peak, 0.99) << example.page << ": " << output << " reaches full scale";
    EXPECT_EQ(printed.find("warning"), std::string::npos) << example.page << ": " << printed;
  }
  fs::remove_all(work);
}

}  // namespace
}  // namespace kornmill
