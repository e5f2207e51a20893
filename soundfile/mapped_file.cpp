// Memory-mapped files on POSIX mmap: opening, views, output files that grow with disk space
// behind every mapped byte, and file_buffer.
#include "soundfile/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace audio {
namespace {

std::string SystemText(int err) {
  return std::error_code(err, std::system_category()).message();
}

// The creation disposition table [truncate][existence], as open(2) flags:
// truncate 0 -> {open always, open existing, create new};
// truncate 1 -> {create always, truncate existing, create new}.
int DispositionFlags(const OpenSettings& s) {
  const int e = std::min(int(s.existence), 2);
  static constexpr int kTable[2][3] = {
      {O_CREAT, 0, O_CREAT | O_EXCL},
      {O_CREAT | O_TRUNC, O_TRUNC, O_CREAT | O_EXCL},
  };
  return kTable[s.truncate ? 1 : 0][e];
}

// What a path that is not a regular file names: "<path> is a folder, not a soundfile".
std::string NotASoundfileText(const std::string& path, mode_t mode) {
  const char* what = "not a regular file";
  if (S_ISDIR(mode)) {
    what = "a folder";
  } else if (S_ISCHR(mode) || S_ISBLK(mode)) {
    what = "a device";
  } else if (S_ISFIFO(mode)) {
    what = "a FIFO";
  } else if (S_ISSOCK(mode)) {
    what = "a socket";
  }
  return path + " is " + what + ", not a soundfile";
}

}  // namespace

uint32_t OpenSettings::ProtectionFor(uint32_t access) {
  if (access & (kAccessWrite | kAccessAll)) return kProtectReadWrite;
  if (access & kAccessRead) return kProtectReadOnly;
  return 0;
}

OpenSettings OpenSettings::Input() {
  OpenSettings s;
  s.access = kAccessRead;
  s.existence = Existence::kMustExist;
  s.truncate = 0;
  s.protection = ProtectionFor(s.access);
  return s;
}

OpenSettings OpenSettings::Output() {
  OpenSettings s;
  s.access = kAccessRead | kAccessWrite;
  s.existence = Existence::kOpenOrCreate;
  s.truncate = 0;
  s.protection = ProtectionFor(s.access);
  return s;
}

uint64_t allocation_unit() {
  static const uint64_t unit = [] {
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? uint64_t(page) : uint64_t(4096);
  }();
  return unit;
}

// ---------------------------------------------------------------------------
// Views

mapped_view::mapped_view(std::shared_ptr<mapped_file> file, uint8_t* base, uint64_t offset,
                         uint64_t length)
    : file_(std::move(file)), base_(base), offset_(offset), length_(length) {}

mapped_view::~mapped_view() {
  if (base_ != nullptr && length_ > 0) munmap(base_, length_);
}

// ---------------------------------------------------------------------------
// mapped_file

mapped_file::mapped_file(std::string path, OpenSettings settings)
    : path_(std::move(path)), settings_(settings) {
  int flags = O_CLOEXEC | DispositionFlags(settings_);
  if (settings_.protection == kProtectReadWrite) {
    flags |= O_RDWR;
  } else {
    // Non-blocking so that opening a FIFO by mistake cannot hang; the regular
    // file check of InputFile refuses it afterwards.
    flags |= O_RDONLY | O_NONBLOCK;
  }
  fd_ = ::open(path_.c_str(), flags, 0666);
  if (fd_ < 0) {
    // The system's own text for the error, e.g. "No such file or directory".
    throw std::system_error(errno, std::system_category());
  }
  try {
    mapped_size_ = query_file_size();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
}

mapped_file::~mapped_file() {
  if (fd_ >= 0) ::close(fd_);
}

uint64_t mapped_file::query_file_size() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0 || st.st_size < 0)
    throw std::runtime_error("Could not access mapped file");
  return uint64_t(st.st_size);
}

std::shared_ptr<mapped_view> mapped_file::map_view(uint64_t offset, uint64_t length,
                                                   uint32_t /*access*/) {
  const uint64_t unit = allocation_unit();
  const uint64_t aligned = offset - offset % unit;
  uint64_t view_length;
  if (length == kToEnd) {
    if (aligned > mapped_size_ || mapped_size_ - aligned > uint64_t(INT32_MAX)) {
      throw std::out_of_range("File too big for a single view");
    }
    view_length = mapped_size_ - aligned;
  } else {
    // The view covers [aligned, offset + length), shortened to the mapped size.
    const uint64_t lead = offset - aligned;
    view_length = length > kToEnd - lead ? kToEnd : length + lead;
    if (aligned >= mapped_size_) {
      view_length = 0;
    } else if (view_length > mapped_size_ - aligned) {
      view_length = mapped_size_ - aligned;
    }
  }
  if (view_length == 0) {
    throw std::runtime_error("Could not map view of file: " + SystemText(EINVAL));
  }
  // The file's page protection decides the rights of every view.
  const int prot = writable() ? PROT_READ | PROT_WRITE : PROT_READ;
  void* p = mmap(nullptr, size_t(view_length), prot, MAP_SHARED, fd_, off_t(aligned));
  if (p == MAP_FAILED) {
    throw std::runtime_error("Could not map view of file: " + SystemText(errno));
  }
  // shared_from_this throws std::bad_weak_ptr for a file not held by a shared
  // pointer (see null_deleter).
  return std::make_shared<mapped_view>(shared_from_this(), static_cast<uint8_t*>(p), aligned,
                                       view_length);
}

// ---------------------------------------------------------------------------
// InputFile

InputFile::InputFile(std::string path, OpenSettings settings)
    : mapped_file(std::move(path), settings) {
  // Mapping, input: the whole file with the settings' protection. A POSIX
  // mapping object has no separate existence; what would make the Win32 call
  // fail here (a folder, a device, a pipe) is refused saying what it is.
  // An empty regular file is accepted (mapped size 0): format detection then
  // reports it as shorter than a header.
  struct stat st {};
  const bool known = fstat(fd_, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw std::runtime_error(known ? NotASoundfileText(path_, st.st_mode)
                                   : "InputFile: Could not create file mapping object");
  }
}

InputFile::~InputFile() = default;

// ---------------------------------------------------------------------------
// OutputFile

OutputFile::OutputFile(std::string path, OpenSettings settings)
    : mapped_file(std::move(path), settings) {
  try {
    struct stat st {};
    if (fstat(fd_, &st) != 0) throw std::runtime_error("OutputFile: Could not create file mapping object");
    if (!S_ISREG(st.st_mode)) throw std::runtime_error(NotASoundfileText(path_, st.st_mode));
    // An existing file may have holes; they get their blocks now, before the
    // mapping can write into them.
    allocate(0, mapped_size_);
    create_mapping(0);
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
}

void OutputFile::create_mapping(uint64_t requested) {
  uint64_t size = requested;
  if (size == 0 && planned_size_ == kNoPlannedSize) {
    size = mapped_size_ == 0 ? kInitialMapping : mapped_size_;
  }
  // A Win32 mapping larger than the file grows the file to the mapping size,
  // with disk space behind it; a smaller one leaves the file as it is.
  const uint64_t current = query_file_size();
  if (size > current) {
    if (size > uint64_t(std::numeric_limits<off_t>::max())) {
      throw std::runtime_error("OutputFile: Could not create file mapping object");
    }
    allocate(current, size - current);
  }
  // Read the file size again: it has grown to the mapping size.
  mapped_size_ = query_file_size();
}

void OutputFile::allocate(uint64_t offset, uint64_t length) {
  if (length == 0) return;
  const uint64_t before = query_file_size();
  // posix_fallocate reserves the blocks where the file system can (fallocate),
  // and elsewhere (ext2, many network file systems) writes a zero byte into
  // every block that has no data, which allocates it without changing any data.
  // A range past the end makes the file that long.
  const int err = posix_fallocate(fd_, off_t(offset), off_t(length));
  if (err == 0) return;
  // A reservation that failed part of the way may have grown the file.
  if (query_file_size() > before && ftruncate(fd_, off_t(before)) != 0) {
    // The file keeps a tail of zeros, which the planned size cuts on closing.
  }
  throw std::runtime_error("OutputFile: Could not create file mapping object: " + SystemText(err));
}

void OutputFile::resize(uint64_t bytes) {
  planned_size_ = bytes;
  if (bytes != mapped_size_) create_mapping(bytes);
}

OutputFile::~OutputFile() {
  // Every view holds this file, so none is left by now; the file is cut to its
  // planned size when that is smaller than the mapped size.
  if (fd_ >= 0 && planned_size_ != kNoPlannedSize && planned_size_ < mapped_size_) {
    if (ftruncate(fd_, off_t(planned_size_)) != 0) {
      // Nothing to report to: a destructor cannot throw, and the data is intact.
    }
  }
}

// ---------------------------------------------------------------------------
// file_buffer

file_buffer::file_buffer(std::shared_ptr<mapped_file> file) : file_(std::move(file)) {}

std::shared_ptr<mapped_view> file_buffer::find_view(uint64_t offset, uint64_t length) const {
  if (last_ && last_->covers(offset, length)) return last_;
  for (auto it = cache_.rbegin(); it != cache_.rend(); ++it) {
    if ((*it)->covers(offset, length)) return *it;
  }
  return nullptr;
}

block file_buffer::get_block(uint64_t offset, uint64_t length) {
  const uint64_t size = file_->size();
  if (length > size || offset > size - length) throw std::out_of_range("file_buffer::get_block");
  if (offset == size) return block{nullptr, nullptr, offset, nullptr};  // nothing left

  std::shared_ptr<mapped_view> view = find_view(offset, length);
  if (!view) {
    const uint64_t unit = allocation_unit();
    uint64_t start = 0;
    if (offset >= kViewFromStart) {
      start = offset - offset % unit;
      if (start >= unit) start -= unit;
    }
    uint64_t view_length = std::max(offset + length - start, kMinViewLength);
    if (view_length > size - start) view_length = size - start;
    // When less than 512 KiB would remain after the view, it runs to the end.
    if (size - (start + view_length) < kMinViewLength) view_length = size - start;
    view = file_->map_view(start, view_length);
    cache_.push_back(view);
    if (cache_.size() > kMaxCachedViews) cache_.erase(cache_.begin());
  }
  last_ = view;
  uint8_t* begin = view->data() + (offset - view->offset());
  uint8_t* end = view->data() + view->length();
  return block{begin, end, offset, std::move(view)};
}

void file_buffer::release_views() {
  last_.reset();
  cache_.clear();
}

}  // namespace audio
