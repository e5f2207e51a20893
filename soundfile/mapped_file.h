// Memory-mapped files: InputFile for reading source sounds,
// OutputFile for WAV files that grow while recording, views, and file_buffer,
// which hands out pointer ranges ("blocks") into a file by mapping views on
// demand and caching them. POSIX mmap stands in for the Win32 file-mapping set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

// Platform access rights as the file layer numbers them.
inline constexpr uint32_t kAccessRead = 0x80000000u;
inline constexpr uint32_t kAccessWrite = 0x40000000u;
inline constexpr uint32_t kAccessAll = 0x10000000u;
// View access meaning "every right the file's page protection allows".
inline constexpr uint32_t kViewAllAccess = 0xFFFFFFFFu;
// A length meaning "up to the end of the mapping".
inline constexpr uint64_t kToEnd = ~uint64_t(0);
// The planned size when none is set.
inline constexpr uint64_t kNoPlannedSize = ~uint64_t(0);
// Page protection values.
inline constexpr uint32_t kProtectReadOnly = 2;
inline constexpr uint32_t kProtectReadWrite = 4;

// How a file is opened.
enum class Existence : uint8_t {
  kOpenOrCreate = 0,  // open if present, create if not
  kMustExist = 1,
  kMustNotExist = 2,
};

struct OpenSettings {
  uint32_t access = kAccessRead;
  uint32_t share = 1;  // others may read (recorded; POSIX has no share modes)
  Existence existence = Existence::kMustExist;
  uint8_t truncate = 0;  // 1: empty the file on opening
  uint32_t protection = kProtectReadOnly;

  // 4 (read/write) when `access` includes write or all rights, 2 (read-only)
  // when it includes read, else 0.
  static uint32_t ProtectionFor(uint32_t access);
  static OpenSettings Input();   // read, must exist, keep contents
  static OpenSettings Output();  // read/write, open or create, keep contents
};

// The allocation unit for mapped views (the page size), asked once per process.
uint64_t allocation_unit();

class mapped_file;

// One mapped range of a file. It keeps its file alive and is unmapped when its
// last reference goes (on any thread).
class mapped_view {
 public:
  mapped_view(std::shared_ptr<mapped_file> file, uint8_t* base, uint64_t offset, uint64_t length);
  ~mapped_view();
  mapped_view(const mapped_view&) = delete;
  mapped_view& operator=(const mapped_view&) = delete;

  uint8_t* data() const { return base_; }
  uint64_t offset() const { return offset_; }  // file offset of data()
  uint64_t length() const { return length_; }
  uint64_t end_offset() const { return offset_ + length_; }
  bool covers(uint64_t offset, uint64_t length) const {
    return offset >= offset_ && length <= length_ && offset - offset_ <= length_ - length;
  }
  const std::shared_ptr<mapped_file>& file() const { return file_; }

 private:
  std::shared_ptr<mapped_file> file_;
  uint8_t* base_;
  uint64_t offset_;
  uint64_t length_;
};

// The base of InputFile and OutputFile. Objects are held by shared pointers:
// every view refers to its file. A file that its views must not delete is
// wrapped as std::shared_ptr<mapped_file>(&f, mapped_file::null_deleter()).
class mapped_file : public std::enable_shared_from_this<mapped_file> {
 public:
  struct null_deleter {
    void operator()(const void*) const {}
  };

  virtual ~mapped_file();
  mapped_file(const mapped_file&) = delete;
  mapped_file& operator=(const mapped_file&) = delete;

  const std::string& path() const { return path_; }
  const OpenSettings& settings() const { return settings_; }
  // The current mapped size: the bytes that views may cover.
  uint64_t size() const { return mapped_size_; }
  uint64_t planned_size() const { return planned_size_; }
  bool writable() const { return settings_.protection == kProtectReadWrite; }

  // Maps a view covering [offset, offset + length). The offset is aligned down
  // to the allocation unit; kToEnd maps up to the end of the mapping, and a
  // range running past the mapped size is shortened to end there. Access
  // kViewAllAccess (or any other value) maps with the rights the page
  // protection allows.
  // Throws std::out_of_range "File too big for a single view" and
  // std::runtime_error "Could not map view of file: <system text>".
  virtual std::shared_ptr<mapped_view> map_view(uint64_t offset, uint64_t length = kToEnd,
                                                uint32_t access = kViewAllAccess);

 protected:
  // Opens `path` with `settings` and reads the file size. Throws
  // std::system_error with the system's text when the file cannot be opened,
  // std::runtime_error "Could not access mapped file" when its size cannot be read.
  mapped_file(std::string path, OpenSettings settings);

  // Reads the file size; throws "Could not access mapped file".
  uint64_t query_file_size() const;

  std::string path_;
  OpenSettings settings_;
  int fd_ = -1;
  uint64_t mapped_size_ = 0;
  uint64_t planned_size_ = kNoPlannedSize;
};

// A source file mapped read-only as a whole.
class InputFile : public mapped_file {
 public:
  // Throws as mapped_file, and "<path> is a folder, not a soundfile" (or a
  // device, a FIFO, a socket) when the path is not a regular file.
  explicit InputFile(std::string path, OpenSettings settings = OpenSettings::Input());
  ~InputFile() override;
};

// A read/write file whose mapping can grow; it is cut to its planned size when
// it closes. Every byte it maps has disk space behind it, so writing through the
// mapping never meets a full disk (which would be SIGBUS): a full disk fails the
// open or the resize instead.
class OutputFile : public mapped_file {
 public:
  // A new, empty file is mapped at 1 MiB (and so grows to 1 MiB on disk); an
  // existing one at its current size. Throws as mapped_file, "<path> is a
  // device, not a soundfile" (or a FIFO, ...) for what is not a regular file,
  // and "OutputFile: Could not create file mapping object" (followed by the
  // system's text when the disk is full) when the mapping cannot be made.
  explicit OutputFile(std::string path, OpenSettings settings = OpenSettings::Output());
  // Cuts the file to the planned size when that is smaller than the mapped size.
  ~OutputFile() override;

  // Sets the planned size; when it differs from the mapped size the mapping is
  // made anew with that size, which grows the file. Throws as the constructor
  // when the disk has no room for the growth (the file keeps its size).
  void resize(uint64_t bytes);

  static constexpr uint64_t kInitialMapping = 1048576;

 private:
  void create_mapping(uint64_t requested);
  // Gives [offset, offset + length) disk space, growing the file when the range
  // passes its end; throws "OutputFile: Could not create file mapping object:
  // <system text>" when it cannot, leaving the size as it was.
  void allocate(uint64_t offset, uint64_t length);
};

// A pointer range into a mapped view plus the file offset of `begin`. It holds
// its view, so the pointers stay valid as long as the block is kept.
struct block {
  uint8_t* begin = nullptr;
  uint8_t* end = nullptr;
  uint64_t offset = 0;
  std::shared_ptr<mapped_view> view;

  uint64_t size() const { return uint64_t(end - begin); }
};

// Hands out blocks of a file, mapping views on demand and caching them.
class file_buffer {
 public:
  static constexpr uint64_t kMinViewLength = 524288;  // 512 KiB
  static constexpr uint64_t kViewFromStart = 262144;  // offsets below 256 KiB map from 0
  static constexpr size_t kMaxCachedViews = 8;

  explicit file_buffer(std::shared_ptr<mapped_file> file);

  // A block covering at least [offset, offset + length), ending at its view's
  // end. Throws std::out_of_range "file_buffer::get_block" when the range
  // passes the file size.
  block get_block(uint64_t offset, uint64_t length);
  // A block starting at `offset` of whatever length the view holds (empty at
  // the end of the file).
  block get_block(uint64_t offset) { return get_block(offset, 0); }

  const std::shared_ptr<mapped_file>& file() const { return file_; }
  size_t cached_views() const { return cache_.size(); }
  // Drops every cached view (blocks handed out keep theirs).
  void release_views();

 private:
  std::shared_ptr<mapped_view> find_view(uint64_t offset, uint64_t length) const;

  std::shared_ptr<mapped_file> file_;
  std::shared_ptr<mapped_view> last_;
  std::vector<std::shared_ptr<mapped_view>> cache_;  // oldest first
};

}  // namespace audio
