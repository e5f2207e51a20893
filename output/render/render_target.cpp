// The renderer's output file: checks on the path, the temporary file and the rename into place.
#include "output/render/render_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "output/render/render_error.h"

namespace kornmill {

namespace {

constexpr unsigned kNewFileMode = 0666;
constexpr unsigned kPermissionBits = 07777;
constexpr unsigned kAnyWriteBit = 0222;

std::string SystemText(int err) {
  return std::strerror(err);
}

// What a path that is not a regular file names, for the message.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

unsigned CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

RenderTarget::RenderTarget(const std::string& path, const std::vector<Input>& inputs)
    : final_(path) {
  namespace fs = std::filesystem;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      throw RenderError(path + " is " + KindOf(st.st_mode) +
                        ", not a soundfile to replace: give another output file");
    }
    if ((st.st_mode & kAnyWriteBit) == 0 || ::access(path.c_str(), W_OK) != 0) {
      throw RenderError(path + " is read-only: it is left as it is; give another output file");
    }
    for (const Input& input : inputs) {
      struct stat in {};
      if (!input.path.empty() && ::stat(input.path.c_str(), &in) == 0 && in.st_dev == st.st_dev &&
          in.st_ino == st.st_ino) {
        throw RenderError(path + " is " + input.role + ": give another output file");
      }
    }
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);  // a link keeps pointing at the result
    if (!ec) final_ = real.string();
    mode_ = st.st_mode & kPermissionBits;
    owner_ = static_cast<int>(st.st_uid);
    group_ = static_cast<int>(st.st_gid);
  } else if (errno == ENOENT) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0) {
      throw RenderError(path + " is a symbolic link to nothing: give another output file");
    }
    mode_ = kNewFileMode & ~CurrentUmask();
  } else {
    throw RenderError("Could not open \"" + path + "\" for output: " + SystemText(errno));
  }
  const fs::path target(final_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    throw RenderError("Could not open \"" + path + "\" for output: " + SystemText(errno));
  }
  ::close(fd);
  temp_ = name.data();
}

RenderTarget::~RenderTarget() {
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void RenderTarget::Commit() {
  const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
  int err = fd < 0 ? errno : 0;
  if (fd >= 0) {
    if (owner_ >= 0 && ::fchown(fd, static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0) {
      // Only the superuser may give a file away: the result is the user's own.
    }
    if (::fchmod(fd, mode_) != 0 || ::fsync(fd) != 0) err = errno;
    ::close(fd);
  }
  if (err == 0 && ::rename(temp_.c_str(), final_.c_str()) != 0) err = errno;
  if (err != 0) {
    throw RenderError("Could not put the render in place as \"" + final_ +
                      "\": " + SystemText(err));
  }
  committed_ = true;
}

}  // namespace kornmill
