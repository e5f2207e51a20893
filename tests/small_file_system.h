// A small file system mounted for one test, to fill it: an ext2 image on a loop device (a file
// system without fallocate) or a tmpfs. Needs the right to mount (CI runs as root).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kornmill_test {

class SmallFileSystem {
 public:
  enum class Kind { kExt2, kTmpfs };

  // Mounts a file system of `kib` KiB at `folder`/mnt (the ext2 image lies
  // beside it). mounted() tells whether it worked; error() says why not.
  SmallFileSystem(Kind kind, const std::filesystem::path& folder, int kib)
      : mount_point_((folder / "mnt").string()) {
    std::filesystem::create_directories(mount_point_);
    const std::string size = std::to_string(kib) + "k";
    std::string command;
    if (kind == Kind::kExt2) {
      const std::string image = (folder / "ext2.img").string();
      command = "truncate -s " + size + " " + image + " && mkfs.ext2 -q -F " + image +
                " && mount -o loop " + image + " " + mount_point_;
    } else {
      command = "mount -t tmpfs -o size=" + size + " tmpfs " + mount_point_;
    }
    mounted_ = std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
    if (!mounted_) error_ = "could not mount a small file system (needs root and mount): " + command;
  }
  ~SmallFileSystem() {
    if (mounted_) std::system(("umount " + mount_point_ + " >/dev/null 2>&1").c_str());
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }
  std::string file(const std::string& name) const { return mount_point_ + "/" + name; }
  const std::string& path() const { return mount_point_; }

 private:
  std::string mount_point_;
  bool mounted_ = false;
  std::string error_;
};

}  // namespace kornmill_test
