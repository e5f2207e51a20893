// The QSettings store on real files: location, round trips, damaged, unreadable and unwritable
// files.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "settings/file_list.h"
#include "settings/qsettings_store.h"
#include "settings/settings_io.h"

namespace kornmill {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr const char* kBase = "Software\\Klangforge\\Kornmill\\";

// Runs `body` in a child process that cannot read or write past file modes
// (root gives up its right to); the test fails unless `body` returns true.
// The child reports what went wrong on stderr.
void ExpectAsUser(const std::function<bool()>& body) {
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
          std::fprintf(stderr, "could not give up root\n");
          std::_Exit(2);
        }
        std::_Exit(body() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// Prints `what` to stderr when `ok` is false (for checks inside a child).
bool Check(bool ok, const std::string& what) {
  if (!ok) std::fprintf(stderr, "failed: %s\n", what.c_str());
  return ok;
}

class QSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kornmill-config-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    config_ = pattern;
    fs::permissions(config_, fs::perms::all);
    folder_ = config_ / "Klangforge";
    fs::create_directories(folder_);
    fs::permissions(folder_, fs::perms::all);
    file_ = (folder_ / "Kornmill.conf").string();
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(config_, ec);
  }

  void WriteFile(const std::string& bytes, fs::perms mode = fs::perms::all) {
    std::ofstream(file_, std::ios::binary) << bytes;
    fs::permissions(file_, mode);
  }
  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The names in the settings folder, sorted.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path config_;
  fs::path folder_;
  std::string file_;
};

const std::string kSaved =
    "[General]\nVersion=Nov  7 2010\nSample%20rate=44100\nSound%20options=295\n";

TEST_F(QSettingsStoreTest, TheFileLiesInTheUsersConfigFolder) {
  EXPECT_EQ(QSettingsStore::DefaultFile(), file_);
  EXPECT_EQ(QSettingsStore().Location(), file_);
}

TEST_F(QSettingsStoreTest, SettingsSurviveInTheFile) {
  // Numbers past 2^16 and 2^28, texts with a comma and letters beyond ASCII.
  StoredSettings s;
  s.sample_rate = 44100;
  s.output_device = 0x10000 | (4 << 17) | 1;
  s.file_counter = 17;
  s.midi_response = {0x72D, 0x10040064, 0, 0, 0, 0, 0};
  s.soundfile_out_folder = "/home/u/Aufnahmen, alt";
  s.soundfile_in_folder = "/home/u/Klänge";
  QSettingsStore store;
  ASSERT_TRUE(WriteSettings(store, s));
  // Saved through a temporary file: nothing else is left in the folder.
  EXPECT_EQ(Listing(), std::vector<std::string>{"Kornmill.conf"});
  StoredSettings read;
  QSettingsStore fresh;
  const SettingsReadResult result = ReadSettings(fresh, read);
  EXPECT_EQ(result.error, "");
  EXPECT_TRUE(result.version_present && result.file_counter_read);
  EXPECT_EQ(read, s);
}

TEST_F(QSettingsStoreTest, AHandWrittenFileIsRead) {
  WriteFile(
      "; kept by hand\n[General]\nSample%20rate=32000\nSelected%20devices=255\n"
      "Version=today\n\n[RecentFiles]\n0=/nowhere/a.wav\n");
  StoredSettings s;
  QSettingsStore store;
  const SettingsReadResult result = ReadSettings(store, s);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(s.sample_rate, 32000);
  EXPECT_EQ(s.output_device, -1);
}

TEST_F(QSettingsStoreTest, RecentFilesKeepTheirExactNames) {
  const fs::path sounds = config_ / "Klänge, alt";
  fs::create_directories(sounds);
  FileList list;
  for (const char* name : {"a b.wav", "ü=1;2.wav", "[x].aiff"}) {
    std::ofstream(sounds / name) << "x";
    list.Add((sounds / name).string());
  }
  QSettingsStore store;
  list.Save(store, kBase);
  FileList read;
  read.Load(store, kBase);
  ASSERT_EQ(read.count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(read[i], list[i]);
}

struct Damage {
  const char* name;
  std::string bytes;
  const char* reason;
};

TEST_F(QSettingsStoreTest, DamagedFilesAreReadInPartAndKeptBeforeBeingReplaced) {
  const Damage cases[] = {
      {"garbled", kSaved + "\x01\x02garbage without equals\n", "line 5 is not a setting"},
      {"not UTF-8", kSaved + "Soundfile%20in%20folder=/home/\xe9t\xe9\n", "it is not UTF-8 text"},
      {"truncated", kSaved + "Soundfile%20max%20co", "it ends in the middle of a line"},
      {"group", kSaved + "[RecentFi\n", "line 5 is not a group name"},
  };
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.name);
    WriteFile(d.bytes);
    QSettingsStore store;
    StoredSettings s;
    const SettingsReadResult result = ReadSettings(store, s);
    EXPECT_EQ(result.error, file_ + ": " + d.reason);
    EXPECT_EQ(s.sample_rate, 44100);  // what could be read was read
    EXPECT_EQ(s.file_counter, 1);
    ASSERT_TRUE(WriteSettings(store, s));
    EXPECT_EQ(ReadFile(file_ + ".damaged"), d.bytes);
    StoredSettings again;
    EXPECT_EQ(ReadSettings(store, again).error, "");
    EXPECT_EQ(again.sample_rate, 44100);
    fs::remove(file_ + ".damaged");
  }
}

TEST_F(QSettingsStoreTest, AFolderInPlaceOfTheFile) {
  fs::create_directory(file_);
  QSettingsStore store;
  StoredSettings s;
  s.sample_rate = 48000;
  const SettingsReadResult result = ReadSettings(store, s);
  EXPECT_EQ(result.error, "Could not open new key handle (" + file_ + ": this is not a file)");
  EXPECT_EQ(s.sample_rate, 48000);
  EXPECT_FALSE(WriteSettings(store, s));
  EXPECT_TRUE(fs::is_directory(file_));
}

TEST_F(QSettingsStoreTest, AnUnreadableFileIsNeitherReadNorReplaced) {
  WriteFile(kSaved, fs::perms::none);
  const std::string file = file_;
  ExpectAsUser([file] {
    QSettingsStore store;
    StoredSettings s;
    const SettingsReadResult result = ReadSettings(store, s);
    return Check(result.error == "Could not open new key handle (" + file + ": Permission denied)",
                 result.error) &&
           Check(s.sample_rate == 22050, "defaults kept") &&
           Check(!WriteSettings(store, s), "write refused");
  });
  EXPECT_EQ(ReadFile(file_), kSaved);
  EXPECT_EQ(Listing(), std::vector<std::string>{"Kornmill.conf"});
}

TEST_F(QSettingsStoreTest, AnUnwritableFileIsReadAndKept) {
  WriteFile(kSaved, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ExpectAsUser([] {
    QSettingsStore store;
    StoredSettings s;
    const SettingsReadResult result = ReadSettings(store, s);
    s.sample_rate = 8000;
    return Check(result.error.empty(), result.error) && Check(s.file_counter == 1, "read") &&
           Check(!WriteSettings(store, s), "write refused") &&
           Check(!WriteSoundOptions(store, s), "options refused");
  });
  EXPECT_EQ(ReadFile(file_), kSaved);
  EXPECT_EQ(Listing(), std::vector<std::string>{"Kornmill.conf"});
}

TEST_F(QSettingsStoreTest, AReadOnlyFolderKeepsTheFileAsItWas) {
  WriteFile(kSaved);
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
  ExpectAsUser([] {
    QSettingsStore store;
    StoredSettings s;
    const SettingsReadResult first = ReadSettings(store, s);
    s.sample_rate = 8000;
    const bool written = WriteSettings(store, s);
    // What could not be saved is not read back as stored either.
    StoredSettings again;
    ReadSettings(store, again);
    return Check(first.error.empty(), first.error) && Check(!written, "write refused") &&
           Check(again.sample_rate == 44100, "the file's rate");
  });
  EXPECT_EQ(ReadFile(file_), kSaved);
  EXPECT_EQ(Listing(), std::vector<std::string>{"Kornmill.conf"});
}

TEST_F(QSettingsStoreTest, AWriteThatFailsHalfWayLeavesTheOldFile) {
  WriteFile(kSaved);
  ExpectAsUser([] {
    // The file system takes no file past 200 bytes (the new file is larger).
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{200, 200};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    QSettingsStore store;
    StoredSettings s;
    ReadSettings(store, s);
    s.soundfile_out_folder = std::string(300, 'x');
    return Check(!WriteSettings(store, s), "write refused");
  });
  EXPECT_EQ(ReadFile(file_), kSaved);
  EXPECT_EQ(Listing(), std::vector<std::string>{"Kornmill.conf"});
}

}  // namespace
}  // namespace kornmill
