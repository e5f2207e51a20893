// kornmill-render as a command-line program: exit codes and messages, and output paths it must
// never destroy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "../small_file_system.h"
#include "render_folder.h"

namespace kornmill {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using RenderProgram = testing::RenderFolder;

TEST_F(RenderProgram, SameArgumentsGiveTheSameBytes) {
  const std::string a = Path("det-a.wav"), b = Path("det-b.wav");
  const std::string args = " --seconds 3 --bits 24 --set 8=64 --set 1=100 --interp cubic -o ";
  std::string summary;
  ASSERT_EQ(Run(args + a, &summary), 0) << summary;
  EXPECT_NE(summary.find("132300 frames (3.000 s) at 44100 Hz stereo"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("grains started"), std::string::npos);
  EXPECT_NE(summary.find("x real time"), std::string::npos);
  ASSERT_EQ(Run(args + b), 0);
  const std::string bytes = ReadBytes(a);
  EXPECT_EQ(bytes.size(), 44u + 132300u * 2 * 3);
  EXPECT_TRUE(bytes == ReadBytes(b));
  EXPECT_EQ(Names(folder_.string()), (std::vector<std::string>{"det-a.wav", "det-b.wav"}));
}

TEST_F(RenderProgram, BadInputExitsNonZeroWithOneLine) {
  std::string text;
  EXPECT_EQ(Run("--bits 12 -o " + Path("x.wav"), &text), 2);
  EXPECT_EQ(text, "kornmill-render: error: --bits must be 16, 24 or 32 (see --help)\n");
  EXPECT_EQ(Run("--source /nonexistent/a.wav -o " + Path("n.wav"), &text), 1);
  EXPECT_NE(text.find("Could not open /nonexistent/a.wav"), std::string::npos) << text;
  EXPECT_EQ(Run("--blocks 2 -o /nonexistent/dir/out.wav", &text), 1);
  EXPECT_EQ(text,
            "kornmill-render: error: Could not open \"/nonexistent/dir/out.wav\" for output: No "
            "such file or directory\n");
  EXPECT_EQ(Run("--score " + folder_.string() + " -o " + Path("n.wav"), &text), 2);
  EXPECT_NE(text.find("cannot read the score"), std::string::npos) << text;
  EXPECT_TRUE(Names(folder_.string()).empty());
}

// Something at the output path that is not a soundfile to replace is refused
// and left exactly as it was.
TEST_F(RenderProgram, RefusesWhatIsNotARegularFileAndLeavesItAlone) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
  fs::create_directories(Path("empty"));
  std::ofstream(Path("kept.wav")) << "a file the user keeps";
  fs::permissions(Path("kept.wav"), fs::perms::owner_read | fs::perms::group_read);
  const std::pair<std::string, std::string> refusals[] = {
      {"/dev/null",
       "kornmill-render: error: /dev/null is a device, not a soundfile to replace: give another "
       "output file\n"},
      {Path("fifo"), " is a FIFO"},
      {Path("empty"), " is a folder"},
      {Path("kept.wav"), " is read-only"},
  };
  for (const auto& [path, reason] : refusals) {
    std::string text;
    EXPECT_EQ(Run("--blocks 2 -o " + path, &text), 1);
    EXPECT_NE(text.find(reason), std::string::npos) << text;
  }
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_directory(Path("empty")));
  EXPECT_EQ(ReadBytes(Path("kept.wav")), "a file the user keeps");
  EXPECT_EQ(Names(folder_.string()), (std::vector<std::string>{"empty", "fifo", "kept.wav"}));
}

TEST_F(RenderProgram, RefusesToWriteOverItsInputs) {
  ASSERT_EQ(std::system(("sox -n -r 22050 -c 1 -b 16 " + Path("src.wav") +
                         " synth 0.5 sine 220 2>/dev/null")
                            .c_str()),
            0)
      << "sox is needed";
  const std::string before = ReadBytes(Path("src.wav"));
  ASSERT_EQ(::link(Path("src.wav").c_str(), Path("same.wav").c_str()), 0);
  std::string text;
  for (const char* out : {"src.wav", "same.wav"}) {
    EXPECT_EQ(Run("--blocks 2 --source " + Path("src.wav") + " -o " + Path(out), &text), 1);
    EXPECT_NE(text.find("is the source sound: give another output file"), std::string::npos)
        << text;
  }
  EXPECT_EQ(ReadBytes(Path("src.wav")), before);
  // Nor over its score.
  std::ofstream(Path("s.txt")) << "1 stop\n";
  EXPECT_EQ(Run("--blocks 2 --score " + Path("s.txt") + " -o " + Path("s.txt"), &text), 1);
  EXPECT_NE(text.find("is the score: give another output file"), std::string::npos) << text;
  EXPECT_EQ(ReadBytes(Path("s.txt")), "1 stop\n");
}

// A render that fails keeps the earlier file; one that succeeds replaces it,
// through a symbolic link when the path is one.
TEST_F(RenderProgram, AnEarlierFileIsReplacedOnlyBySuccess) {
  ASSERT_EQ(Run("--blocks 4 -o " + Path("out.wav")), 0);
  const std::string earlier = ReadBytes(Path("out.wav"));
  ::chmod(Path("out.wav").c_str(), 0640);
  std::string text;
  EXPECT_EQ(Run("--blocks 4 --source /nonexistent.wav -o " + Path("out.wav"), &text), 1);
  EXPECT_EQ(ReadBytes(Path("out.wav")), earlier);
  fs::create_symlink(Path("out.wav"), Path("link.wav"));
  ASSERT_EQ(Run("--blocks 8 -o " + Path("link.wav"), &text), 0) << text;
  EXPECT_TRUE(fs::is_symlink(Path("link.wav")));
  EXPECT_EQ(fs::file_size(Path("out.wav")), 44u + 8u * 256u * 2u * 4u);
  struct stat st {};
  ASSERT_EQ(::stat(Path("out.wav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Names(folder_.string()), (std::vector<std::string>{"link.wav", "out.wav"}));
}

// A NaN in a float source is replaced (and the user told); the render is sound.
TEST_F(RenderProgram, NotANumberInTheSourceIsReplacedAndReported) {
  // One second of a mono 44100 Hz float sine with a NaN at sample 1000, written by libsndfile.
  SF_INFO info{0, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
  SNDFILE* f = sf_open(Path("nan.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  std::vector<float> sine(44100);
  for (size_t i = 0; i < sine.size(); ++i) sine[i] = float(std::sin(double(i) * 0.05));
  sine[1000] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(sf_write_float(f, sine.data(), sf_count_t(sine.size())), sf_count_t(sine.size()));
  sf_close(f);
  std::string text;
  ASSERT_EQ(Run("--seconds 1 --source " + Path("nan.wav") + " -o " + Path("out.wav"), &text), 0)
      << text;
  EXPECT_NE(text.find("kornmill-render: warning: " + Path("nan.wav") +
                      ": 1 samples that were not numbers (NaN or infinite) were replaced by "
                      "silence\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("peak nan"), std::string::npos) << text;
  EXPECT_EQ(text.find("peak 0.000000"), std::string::npos) << text;
}

// On a disk that fills up (ext2: no fallocate) the render fails with the
// reason, the earlier file stays whole and nothing else is left.
TEST_F(RenderProgram, FullDiskKeepsTheEarlierFile) {
  kornmill_test::SmallFileSystem disk(kornmill_test::SmallFileSystem::Kind::kExt2, folder_, 4096);
  ASSERT_TRUE(disk.mounted()) << disk.error();
  const std::string out = disk.file("out.wav");
  ASSERT_EQ(Run("--seconds 1 -o " + out), 0);
  const std::string earlier = ReadBytes(out);
  std::string text;
  EXPECT_EQ(Run("--seconds 60 -o " + out, &text), 1);
  EXPECT_NE(text.find("kornmill-render: error: Could not write \"" + out +
                      "\": OutputFile: Could not create file mapping object: No space left on "
                      "device; nothing was saved"),
            std::string::npos)
      << text;
  EXPECT_EQ(ReadBytes(out), earlier);
  EXPECT_EQ(Names(disk.path()), (std::vector<std::string>{"lost+found", "out.wav"}));
}

}  // namespace
}  // namespace kornmill
