// A temporary file, fsync and rename for writing; bounded reads of regular files.
#include "patches/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace kornmill {

namespace {

constexpr int kTempNameTries = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask

std::string Reason(int error) {
  return std::system_category().message(error);
}

// Opens a new file beside `path`, named after it; -1 with errno on failure.
int OpenTemporary(const std::string& path, std::string* temp) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  for (int i = 0; i < kTempNameTries; ++i) {
    *temp = folder + "." + file + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(i);
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Makes the rename itself durable; a folder that cannot be synced is no error.
void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Gives the finished file `temp` the name `path` unless that name is taken:
// a hard link, or where the file system has none a rename that refuses to
// replace. False with errno (EEXIST when the name is taken).
bool LinkNoReplace(const std::string& temp, const std::string& path) {
  if (::link(temp.c_str(), path.c_str()) == 0) return true;
  if (errno != EPERM && errno != ENOTSUP) return false;
  return ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
  std::string temp;
  const int fd = OpenTemporary(path, &temp);
  if (fd < 0) {
    *error = Reason(errno);
    return false;
  }
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    *error = Reason(failure);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

CreateStatus CreateNewFile(const std::string& path, std::span<const uint8_t> bytes,
                           std::string* error) {
  if (::access(path.c_str(), F_OK) == 0) return CreateStatus::kExists;
  std::string temp;
  const int fd = OpenTemporary(path, &temp);
  if (fd < 0) {
    *error = Reason(errno);
    return CreateStatus::kFailed;
  }
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  CreateStatus status = CreateStatus::kCreated;
  if (ok && !LinkNoReplace(temp, path)) {
    failure = errno;
    ok = false;
    if (failure == EEXIST) status = CreateStatus::kExists;
  }
  ::unlink(temp.c_str());
  if (!ok) {
    if (status == CreateStatus::kExists) return status;
    *error = Reason(failure);
    return CreateStatus::kFailed;
  }
  SyncFolderOf(path);
  return status;
}

ReadStatus ReadFileStart(const std::string& path, size_t limit, std::vector<uint8_t>* bytes,
                         std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ReadStatus::kMissing;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ReadStatus::kMissing;
  }
  // Never more than the file holds, nor more than a valid file can use.
  const size_t want = std::min<size_t>(limit, static_cast<size_t>(st.st_size));
  bytes->assign(want, 0);
  size_t done = 0;
  while (done < want) {
    const ssize_t n = ::read(fd, bytes->data() + done, want - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = Reason(errno);
      ::close(fd);
      return ReadStatus::kFailed;
    }
    if (n == 0) break;  // the file got shorter meanwhile
    done += static_cast<size_t>(n);
  }
  bytes->resize(done);
  ::close(fd);
  return ReadStatus::kOk;
}

}  // namespace kornmill
