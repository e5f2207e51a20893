// The recent-files list: order, canonical paths, the index rules and its stored form.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "settings/file_list.h"
#include "settings/memory_store.h"

namespace kornmill {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBase = "Software\\Klangforge\\Kornmill\\";
const KeyPath kRecent = {"RecentFiles"};

class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("kornmill-recent-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  // Creates a file and returns its path.
  std::string Make(const std::string& name) {
    const fs::path p = folder_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
    return p.string();
  }

  fs::path folder_;
};

TEST_F(FileListTest, AnEleventhPathDropsTheOldest) {
  FileList list;
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(list.Add("/sounds/" + std::to_string(i) + ".wav"));
  EXPECT_EQ(list.count(), 10);
  EXPECT_EQ(list[0], "/sounds/1.wav");
  EXPECT_EQ(list[9], "/sounds/10.wav");  // the newest, first in the menu
  // A listed path keeps its place.
  EXPECT_FALSE(list.Add("/sounds/5.wav"));
  EXPECT_EQ(list[4], "/sounds/5.wav");
  EXPECT_EQ(list[9], "/sounds/10.wav");
}

TEST_F(FileListTest, IndexesPastTheEntriesAndPastTheCapacity) {
  FileList list;
  list.Add("/a.wav");
  EXPECT_EQ(list[1], "");
  EXPECT_EQ(list[9], "");
  try {
    (void)list[10];
    FAIL() << "no error";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "FileList::operator[]");
  }
  EXPECT_THROW((void)list[-1], std::out_of_range);
}

TEST_F(FileListTest, SpellingsOfOneFileCountOnce) {
  const std::string path = Make("sub/take.wav");
  fs::create_directory_symlink(folder_ / "sub", folder_ / "link");
  FileList list;
  EXPECT_TRUE(list.Add(path));
  EXPECT_FALSE(list.Add((folder_ / "sub" / "." / "take.wav").string()));
  EXPECT_FALSE(list.Add((folder_ / "sub" / ".." / "sub" / "take.wav").string()));
  EXPECT_FALSE(list.Add((folder_ / "link" / "take.wav").string()));
  ::chdir(folder_.c_str());
  EXPECT_FALSE(list.Add("sub/take.wav"));
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(list[0], fs::canonical(path).string());
}

TEST_F(FileListTest, SaveWritesTheEntriesAndDeletesThePlacesPastThem) {
  MemoryStore store;
  for (int i = 0; i < 10; ++i) store.Put(kRecent, std::to_string(i), StoredValue::Text("/stale"));
  FileList list;
  for (const char* p : {"/a.wav", "/b.wav", "/c.wav"}) list.Add(p);
  list.Save(store, kBase);
  const MemoryStore::Values& values = store.keys().at(kRecent);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values.at("0").text, "/a.wav");
  EXPECT_EQ(values.at("1").text, "/b.wav");
  EXPECT_EQ(values.at("2").text, "/c.wav");
}

TEST_F(FileListTest, LoadSkipsMissingShortAndOtherValues) {
  const std::string a = Make("a.wav");
  const std::string b = Make("b.wav");
  Make("xy");  // a name of two bytes: 3 with its zero
  MemoryStore store;
  store.Put(kRecent, "0", StoredValue::Text(a));
  store.Put(kRecent, "1", StoredValue::Text((folder_ / "gone.wav").string()));
  store.Put(kRecent, "2", StoredValue::Number(12345));
  store.Put(kRecent, "3", StoredValue::Other(b));
  store.Put(kRecent, "4", StoredValue::Text(b));
  store.Put(kRecent, "5", StoredValue::Text("xy"));
  ::chdir(folder_.c_str());
  FileList list;
  list.Add("/earlier.wav");
  list.Load(store, kBase);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list[0], a);
  EXPECT_EQ(list[1], b);
  // Nothing stored: the list stays as it is.
  MemoryStore empty;
  list.Load(empty, kBase);
  EXPECT_EQ(list.count(), 2);
}

}  // namespace
}  // namespace kornmill
