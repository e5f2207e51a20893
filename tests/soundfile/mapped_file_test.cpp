// Mapped files.
#include "soundfile/mapped_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "test_util.h"

namespace {

using namespace audio;
using sftest::Bytes;
using sftest::DiskSize;
using sftest::TempDir;

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t((i * 7 + i / 251) & 0xFF);
  return b;
}

// A missing source fails with the system's text; one that is not a regular
// file is refused saying what it is.
TEST(MappedFile, MissingFilesFoldersDevicesAndFifosAreNotSoundfiles) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const std::string folder = dir.path().string();
  const std::pair<std::string, std::string> cases[] = {
      {dir.file("missing.wav"), std::strerror(ENOENT)},
      {folder, folder + " is a folder, not a soundfile"},
      {"/dev/zero", "/dev/zero is a device, not a soundfile"},
      {fifo, fifo + " is a FIFO, not a soundfile"}};
  for (const auto& [path, text] : cases) {
    try {
      InputFile f(path);
      ADD_FAILURE() << path;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), text);
    }
  }
  try {
    OutputFile f(fifo);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), fifo + " is a FIFO, not a soundfile");
  }
}

TEST(MappedFile, OutputFileCreatedAtOneMiBAndCutOnClose) {
  TempDir dir;
  const std::string path = dir.file("out.wav");
  {
    auto f = std::make_shared<OutputFile>(path);
    EXPECT_EQ(f->size(), 1048576u);
    EXPECT_EQ(DiskSize(path), 1048576u);
    EXPECT_EQ(f->planned_size(), kNoPlannedSize);
    file_buffer fb(f);
    block b = fb.get_block(1000, 4);
    std::memcpy(b.begin, "abcd", 4);
    f->resize(2044);
    EXPECT_EQ(f->planned_size(), 2044u);
    EXPECT_EQ(DiskSize(path), 1048576u);  // cut only on closing
  }
  EXPECT_EQ(DiskSize(path), 2044u);
  const Bytes back = sftest::ReadFile(path);
  EXPECT_EQ(std::memcmp(back.data() + 1000, "abcd", 4), 0);
}

TEST(MappedFile, OutputFileGrowsByRemapping) {
  TempDir dir;
  const std::string path = dir.file("grow.bin");
  auto f = std::make_shared<OutputFile>(path);
  file_buffer fb(f);
  EXPECT_THROW(fb.get_block(2000000, 4), std::out_of_range);
  f->resize(3000000);
  EXPECT_EQ(f->size(), 3000000u);
  EXPECT_EQ(DiskSize(path), 3000000u);
  block b = fb.get_block(2999996, 4);
  std::memcpy(b.begin, "wxyz", 4);
  EXPECT_EQ(b.end - b.begin, 4);
}

TEST(MappedFile, ResizeToTheMappedSizeOnlyRecordsThePlan) {
  TempDir dir;
  const std::string path = dir.file("same.bin");
  sftest::WriteFile(path, Pattern(5000));
  {
    auto f = std::make_shared<OutputFile>(path);
    EXPECT_EQ(f->size(), 5000u);  // an existing file keeps its size
    f->resize(5000);
    EXPECT_EQ(f->planned_size(), 5000u);
    EXPECT_EQ(f->size(), 5000u);
  }
  EXPECT_EQ(DiskSize(path), 5000u);
  EXPECT_EQ(sftest::ReadFile(path), Pattern(5000));
}

TEST(FileBuffer, SmallFileIsMappedWholeFromOffsetZero) {
  TempDir dir;
  const std::string path = dir.file("small.bin");
  const Bytes data = Pattern(300000);
  sftest::WriteFile(path, data);
  auto f = std::make_shared<InputFile>(path);
  file_buffer fb(f);
  block b = fb.get_block(100000, 10);
  ASSERT_TRUE(b.view);
  EXPECT_EQ(b.view->offset(), 0u);
  EXPECT_EQ(b.view->length(), 300000u);
  EXPECT_EQ(b.offset, 100000u);
  EXPECT_EQ(b.size(), 200000u);
  EXPECT_EQ(std::memcmp(b.begin, data.data() + 100000, 200000), 0);
  EXPECT_EQ(fb.cached_views(), 1u);
  // Another range of the same file comes from the same view.
  block c = fb.get_block(5, 299995);
  EXPECT_EQ(c.view, b.view);
  EXPECT_EQ(fb.cached_views(), 1u);
}

TEST(FileBuffer, BlockPastTheEndFails) {
  TempDir dir;
  const std::string path = dir.file("small.bin");
  sftest::WriteFile(path, Pattern(1000));
  auto f = std::make_shared<InputFile>(path);
  file_buffer fb(f);
  try {
    fb.get_block(990, 11);
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "file_buffer::get_block");
  }
  EXPECT_THROW(fb.get_block(~uint64_t(0), 2), std::out_of_range);
  EXPECT_THROW(fb.get_block(2, ~uint64_t(0)), std::out_of_range);
  EXPECT_EQ(fb.get_block(990, 10).size(), 10u);
  EXPECT_EQ(fb.get_block(1000).size(), 0u);  // open-ended at the end: empty
  EXPECT_EQ(fb.cached_views(), 1u);
  // An empty file: nothing to map, and an open-ended block is empty.
  sftest::WriteFile(dir.file("empty.bin"), {});
  file_buffer empty(std::make_shared<InputFile>(dir.file("empty.bin")));
  EXPECT_THROW(empty.get_block(0, 1), std::out_of_range);
  EXPECT_EQ(empty.get_block(0).size(), 0u);
}

TEST(FileBuffer, LargeFileViewsAreAtLeastHalfAMiB) {
  TempDir dir;
  const std::string path = dir.file("large.bin");
  const Bytes data = Pattern(4 * 1048576 + 123);
  sftest::WriteFile(path, data);
  auto f = std::make_shared<InputFile>(path);
  file_buffer fb(f);
  const uint64_t unit = allocation_unit();

  block first = fb.get_block(0, 16);
  EXPECT_EQ(first.view->offset(), 0u);
  EXPECT_EQ(first.view->length(), 524288u);

  // Beyond 256 KiB: aligned down, then one more unit back.
  const uint64_t off = 1000003;
  block b = fb.get_block(off, 10);
  EXPECT_EQ(b.view->offset(), off - off % unit - unit);
  EXPECT_EQ(b.view->length(), 524288u);
  EXPECT_EQ(std::memcmp(b.begin, data.data() + off, b.size()), 0);
  EXPECT_EQ(b.end, b.view->data() + b.view->length());

  // A long request maps at least its own length.
  block longer = fb.get_block(1500000, 700000);
  EXPECT_GE(longer.size(), 700000u);
  EXPECT_EQ(std::memcmp(longer.begin, data.data() + 1500000, 700000), 0);

  // Less than 512 KiB left after the view: it runs to the end of the file.
  const uint64_t near_end = data.size() - 700000;
  block tail = fb.get_block(near_end, 1);
  EXPECT_EQ(tail.view->end_offset(), data.size());
  EXPECT_EQ(std::memcmp(tail.begin, data.data() + near_end, tail.size()), 0);

  // Reusing a cached view.
  const size_t views = fb.cached_views();
  block again = fb.get_block(off + 100, 10);
  EXPECT_EQ(again.view, b.view);
  EXPECT_EQ(fb.cached_views(), views);
}

// The cache is bounded; a block keeps its view mapped, and the view its file
// open, after both left the cache.
TEST(FileBuffer, CacheIsBoundedAndBlocksKeepTheirViewsAndFiles) {
  TempDir dir;
  const std::string path = dir.file("many.bin");
  const Bytes data = Pattern(16 * 1048576);
  sftest::WriteFile(path, data);
  block keep;
  {
    file_buffer fb(std::make_shared<InputFile>(path));
    keep = fb.get_block(300000, 4);
    for (uint64_t off = 600000; off < data.size() - 600000; off += 600000) fb.get_block(off, 4);
    EXPECT_LE(fb.cached_views(), file_buffer::kMaxCachedViews);
  }
  EXPECT_EQ(std::memcmp(keep.begin, data.data() + 300000, 4), 0);
  EXPECT_EQ(keep.view->file()->path(), path);
}

TEST(MappedFile, ViewToTheEndOfAHugeFileIsTooBig) {
  TempDir dir;
  const std::string path = dir.file("sparse.bin");
  { std::ofstream out(path, std::ios::binary); }
  // A sparse file of 3 GiB costs no disk space.
  ASSERT_EQ(truncate(path.c_str(), off_t(3) << 30), 0);
  auto f = std::make_shared<InputFile>(path);
  try {
    f->map_view(0);
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "File too big for a single view");
  }
  // A view beyond 2 GiB works (views may start above 4 GiB).
  file_buffer fb(f);
  block b = fb.get_block((uint64_t(5) << 29) + 17, 8);
  EXPECT_EQ(b.begin[0], 0);
  EXPECT_GE(b.view->offset(), uint64_t(2) << 30);
}

}  // namespace
