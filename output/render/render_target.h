// The renderer's output path: checked before the render, written through a temporary file beside
// it, and put in place only when the render succeeded.
#pragma once

#include <string>
#include <vector>

namespace kornmill {

// Main thread only. Whatever was at the path stays untouched until Commit.
class RenderTarget {
 public:
  // A file the render reads, and what it is to the render ("the source sound").
  struct Input {
    std::string path;  // empty: none
    const char* role;
  };

  // Checks `path` and makes the temporary file beside it. Throws RenderError
  // when the path names something other than a regular file (a folder, a
  // device, a FIFO), a file without write permission, or one of the `inputs`
  // (by any of its names), or when its folder takes no new file.
  RenderTarget(const std::string& path, const std::vector<Input>& inputs);
  // Removes the temporary file unless it was committed.
  ~RenderTarget();
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  // The file to write the render into.
  const std::string& temp_path() const { return temp_; }
  // Flushes the temporary file to disk and renames it onto the path (onto the
  // file a symbolic link names, keeping the link), with the permissions (and,
  // where allowed, the owner) of the file it replaces or those of a new file.
  // Throws RenderError.
  void Commit();

 private:
  std::string final_;  // where the file goes (a link's target)
  std::string temp_;
  unsigned mode_ = 0;  // permission bits for the result
  int owner_ = -1;     // the replaced file's owner and group (-1: a new file)
  int group_ = -1;
  bool committed_ = false;
};

}  // namespace kornmill
