// Output soundfiles: names and numbering, a real 24-bit recording read back with libsndfile, write
// failures, folders.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../small_file_system.h"
#include "controls/stream.h"
#include "engine/engine.h"
#include "output/file_numbers.h"
#include "output/output_folders.h"
#include "output/wav_block_writer.h"
#include "output_fakes.h"
#include "soundfile/sample_format.h"

namespace kornmill {
namespace {

using testing::CountingWaker;
using testing::MemoryFile;
using testing::MemoryFiles;
using testing::SteppedProvider;

class RecorderTest : public testing::SteppedOutputTest {
 protected:
  // One device callback and the main loop's answer; returns the block just rendered.
  std::vector<float> Step() {
    Pull();
    const int last = (out.fill_index() + kBlockCount - 1) % kBlockCount;
    const int n = out.config().samples_per_block();
    return std::vector<float>(out.float_block(last), out.float_block(last) + n);
  }
  // Recordings go to memory files with room for `room` samples each.
  void InitWithMemoryFiles(size_t room = SIZE_MAX, bool room_is_format_end = false) {
    files.room = room;
    files.room_is_format_end = room_is_format_end;
    out.set_writer_factory(files.factory());
    Init();
  }

  MemoryFiles files;
};

TEST_F(RecorderTest, NumberedNamesCountAndWrapUnnumberedOnesStay) {
  Init();
  std::string path;
  const int length = out.MakeOutputFileName(path);
  EXPECT_EQ(path, folder.string() + "/sifter01.wav");
  EXPECT_EQ(length, static_cast<int>(path.size()));
  EXPECT_EQ(out.config().file_counter, 1);
  EXPECT_EQ(view.options_saved, 1);  // the counter is stored at once
  out.config().file_counter = 98;
  out.MakeOutputFileName(path);
  EXPECT_EQ(path, folder.string() + "/sifter99.wav");
  out.MakeOutputFileName(path);
  EXPECT_EQ(path, folder.string() + "/sifter00.wav");
  // A maximum below 2 reads as 99.
  out.config().max_count = 1;
  out.config().file_counter = 98;
  out.MakeOutputFileName(path);
  EXPECT_EQ(path, folder.string() + "/sifter99.wav");
  EXPECT_EQ(out.config().max_count, 99);
  // Unnumbered recordings reuse one name and leave the counter alone.
  out.config().numbered_files = 0;
  const int saved = view.options_saved;
  for (int i = 0; i < 2; ++i) {
    out.MakeOutputFileName(path);
    EXPECT_EQ(path, folder.string() + "/sifter.wav");
  }
  EXPECT_EQ(out.config().file_counter, 99);
  EXPECT_EQ(view.options_saved, saved);
}

TEST_F(RecorderTest, NumberingGoesOnAfterTheFilesAlreadyThere) {
  for (const char* name : {"sifter03.wav", "sifter12.1.wav", "sifter120.wav", "sifter5.wav",
                           "sifter13.wav.txt", "take.wav"}) {
    std::ofstream(folder / name) << "x";
  }
  Init();
  out.ContinueAfterExistingFiles();  // 120 lies past the maximum count
  EXPECT_EQ(out.config().file_counter, 12);
  std::string path;
  out.MakeOutputFileName(path);
  EXPECT_EQ(path, folder.string() + "/sifter13.wav");
  // A counter already past them stays; with sifter99.wav there the next wraps to 00.
  out.ContinueAfterExistingFiles();
  EXPECT_EQ(out.config().file_counter, 13);
  std::ofstream(folder / "sifter99.wav") << "x";
  out.ContinueAfterExistingFiles();
  out.MakeOutputFileName(path);
  EXPECT_EQ(path, folder.string() + "/sifter00.wav");

  EXPECT_EQ(OutputFileNumber("sifter07.wav"), 7);
  EXPECT_EQ(OutputFileNumber("sifter127.2.wav"), 127);
  EXPECT_EQ(OutputFileNumber("sifter7.wav"), -1);
  EXPECT_EQ(OutputFileNumber("sifter1234.wav"), -1);
  EXPECT_EQ(OutputFileNumber("sifter07.x.wav"), -1);
  EXPECT_EQ(OutputFileNumber("sifter.wav"), -1);
  EXPECT_EQ(OutputFileNumber("Sifter07.wav"), -1);
  EXPECT_EQ(HighestOutputFileNumber((folder / "missing").string(), 99), -1);
}

TEST_F(RecorderTest, OneFilePerStreamNumbersTheStream) {
  InitWithMemoryFiles();
  out.config().one_file_per_stream = 1;
  out.config().file_counter = 6;
  out.ToggleRecord();
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_EQ(files.files[0]->path, folder.string() + "/sifter07.1.wav");
  EXPECT_TRUE(out.recording());
  EXPECT_TRUE(view.record_checked);
  out.ToggleRecord();
  EXPECT_FALSE(out.recording());
  EXPECT_FALSE(view.record_checked);
  EXPECT_TRUE(files.files[0]->closed);
}

// Stereo, 24-bit: 10 blocks of 256 frames are 2560 frames in the file, equal to
// the rendered blocks within the 24-bit step.
TEST_F(RecorderTest, StereoTwentyFourBitRecordingReadsBack) {
  out.config().sample_width = 3;
  Init();
  out.TogglePlay(kPlayFromButton);
  out.ToggleRecord();
  ASSERT_TRUE(out.recording()) << (view.status.empty() ? "" : view.status.back());
  std::vector<float> rendered;
  for (int i = 0; i < 10; ++i) {
    auto b = Step();
    rendered.insert(rendered.end(), b.begin(), b.end());
  }
  out.ToggleRecord();
  EXPECT_FALSE(out.recording());
  EXPECT_EQ(out.config().blocks_written, 10);
  out.StopPlay();

  const std::string path = folder.string() + "/sifter01.wav";
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.frames, 2560);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, 22050);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  std::vector<int> got(5120);
  EXPECT_EQ(sf_readf_int(f, got.data(), 2560), 2560);
  sf_close(f);
  int worst = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    const double expect = rendered[i] * 8388608.0;
    worst = std::max(worst, static_cast<int>(std::lround(std::fabs(got[i] / 256 - expect))));
  }
  EXPECT_LE(worst, 1);
  EXPECT_EQ(std::filesystem::file_size(path), 44u + 5120u * 3u);
}

// A write that comes up short ends the recording (one file or one per stream): the file keeps
// what it took and is closed, the button shows it, play goes on and the next click starts a new
// file. A WAV file at its 4 GiB end says that the file is complete instead.
TEST_F(RecorderTest, AShortWriteEndsTheRecordingAndKeepsWhatWasWritten) {
  const std::string write_error = "ERROR: Could not write to output soundfile. Closed file.";
  const struct {
    size_t room;
    bool format_end;
    bool per_stream;
    std::string message;
  } rows[] = {
      {512 * 3 + 100, false, false, write_error},  // three blocks and a bit
      {512 * 2 + 256, true, false,
       "WAV files end at 4 GiB: recording stopped; the file is complete"},
      {512, false, true, write_error},
  };
  InitWithMemoryFiles();
  out.TogglePlay(kPlayFromButton);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.room);
    files.room = r.room;
    files.room_is_format_end = r.format_end;
    out.config().one_file_per_stream = r.per_stream;
    out.ToggleRecord();
    ASSERT_TRUE(view.record_checked);
    std::vector<float> rendered;
    for (int i = 0; i < 5 && out.recording(); ++i) {
      auto b = Step();
      rendered.insert(rendered.end(), b.begin(), b.end());
    }
    EXPECT_FALSE(out.recording());
    EXPECT_FALSE(view.record_checked);
    EXPECT_EQ(view.status.back(), r.message);
    const MemoryFile& file = *files.files.back();
    EXPECT_TRUE(file.closed);
    ASSERT_EQ(file.samples.size(), r.room);
    EXPECT_TRUE(std::equal(file.samples.begin(), file.samples.end(), rendered.begin()));
    EXPECT_TRUE(out.playing());
  }
  EXPECT_EQ(files.files.size(), 3u);
}

// A real full file system (ext2: no fallocate): recording stops with the write
// error, never SIGBUS, and the file holds whole blocks equal to what was rendered.
TEST_F(RecorderTest, FullDiskStopsRecordingAndKeepsTheFileWhole) {
  kornmill_test::SmallFileSystem fs(kornmill_test::SmallFileSystem::Kind::kExt2, folder, 2048);
  ASSERT_TRUE(fs.mounted()) << fs.error();
  out.config().sample_width = 4;
  Init();
  out.set_output_folder(fs.path());
  out.TogglePlay(kPlayFromButton);
  out.ToggleRecord();
  ASSERT_TRUE(out.recording());
  std::vector<float> rendered;
  for (int i = 0; i < 20000 && out.recording(); ++i) {
    auto b = Step();
    rendered.insert(rendered.end(), b.begin(), b.end());
  }
  EXPECT_FALSE(out.recording());
  EXPECT_EQ(view.status.back(), "ERROR: Could not write to output soundfile. Closed file.");
  out.StopPlay();
  SF_INFO info{};
  SNDFILE* f = sf_open(fs.file("sifter01.wav").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  EXPECT_GT(info.frames, 256 * 10);
  EXPECT_EQ(info.frames % 256, 0);
  std::vector<float> got(static_cast<size_t>(info.frames) * 2);
  EXPECT_EQ(sf_readf_float(f, got.data(), info.frames), info.frames);
  sf_close(f);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), rendered.begin()));
}

TEST_F(RecorderTest, RecordingWhileStoppedWritesNothing) {
  InitWithMemoryFiles();
  out.ToggleRecord();
  ASSERT_TRUE(out.recording());
  out.ToggleRecord();
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_TRUE(files.files[0]->samples.empty());
  EXPECT_EQ(out.config().blocks_written, 0);
}

TEST_F(RecorderTest, UnwritableFolderIsReportedAndRecordingStaysOff) {
  Init();
  out.set_output_folder("/nonexistent-kornmill-folder/");
  EXPECT_EQ(out.output_folder(), "/nonexistent-kornmill-folder");
  EXPECT_EQ(view.status.back(), "Soundfile path: /nonexistent-kornmill-folder");
  out.ToggleRecord();
  EXPECT_FALSE(out.recording());
  EXPECT_FALSE(view.record_checked);
  EXPECT_NE(view.status.back().find("/nonexistent-kornmill-folder/sifter01.wav"),
            std::string::npos);
}

// A WAV writer whose file is at 4 GiB takes nothing more and says it is at the
// format's end (not that writing failed).
TEST(WavBlockWriterTest, StopsAtTheEndOfTheWavFormat) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("kornmill-limit-" + std::to_string(::getpid()) + ".wav"))
                               .string();
  audio::Soundfile file = audio::CreateSoundfile(path, 22050, 2, audio::formats::kFloat32LE);
  std::shared_ptr<audio::AudioEncoder> encoder = file.encoder;
  // The header counts the frames of a full file; none is written.
  encoder->commit((0xFFFFFFFFll - 36) / 8);
  ASSERT_EQ(encoder->frames_left(), 0);
  WavBlockWriter writer(file);
  const std::vector<float> block(512, 0.25f);
  EXPECT_EQ(writer.Write(block.data(), block.size()), 0u);
  EXPECT_TRUE(writer.at_size_limit());
  EXPECT_EQ(writer.last_error(), "");
  encoder->write_header();  // back to an empty file, so closing cuts it to 44 bytes
  writer.Close();
  file = audio::Soundfile{};
  encoder.reset();
  EXPECT_EQ(std::filesystem::file_size(path), 44u);
  std::filesystem::remove(path);
}

TEST(OutputFolders, SettingThenEnvironmentThenTheProgramsFolder) {
  ::setenv("XDG_DATA_HOME", "/tmp/kornmill-xdg/", 1);
  ::setenv("SFDIR", "/sf/out/", 1);
  ::setenv("SSDIR", "/ss/in", 1);
  EXPECT_EQ(ProgramDataFolder(), "/tmp/kornmill-xdg/Kornmill");
  SoundFolders f = ResolveSoundFolders("/stored/out/", "");
  EXPECT_EQ(f.output, "/stored/out");
  EXPECT_EQ(f.source, "/ss/in");
  f = ResolveSoundFolders("", "");
  EXPECT_EQ(f.output, "/sf/out");
  ::unsetenv("SFDIR");
  ::unsetenv("SSDIR");
  f = ResolveSoundFolders("", "");
  EXPECT_EQ(f.output, "/tmp/kornmill-xdg/Kornmill");
  EXPECT_EQ(f.source, f.output);
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(ProgramDataFolder(), "/home/someone/.local/share/Kornmill");
}

TEST(OutputFolders, TheProgramsFolderIsMadeOnFirstRecording) {
  const std::string xdg = "/tmp/kornmill-xdg-" + std::to_string(::getpid());
  std::filesystem::remove_all(xdg);
  ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
  ::unsetenv("SFDIR");
  {
    testing::OutputRig<CountingWaker> rig;
    rig.out.set_device_provider(std::make_unique<SteppedProvider>());
    rig.out.InitAudioOutput();
    EXPECT_EQ(rig.out.output_folder(), xdg + "/Kornmill");
    EXPECT_FALSE(std::filesystem::exists(xdg + "/Kornmill"));
    rig.out.ToggleRecord();
    EXPECT_TRUE(rig.out.recording());
    rig.out.ToggleRecord();
  }
  EXPECT_TRUE(std::filesystem::exists(xdg + "/Kornmill/sifter01.wav"));
  std::filesystem::remove_all(xdg);
  ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace kornmill
