// Whole-file reads and writes that never leave a half-written file behind.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kornmill {

// Writes `bytes` to a new file in the folder of `path`, flushes it to disk and
// renames it over `path`: a failure at any point (a full disk, a lost
// permission) leaves the old file as it was. An existing file's permissions
// are kept. Returns false with the reason in `error`. Main thread.
bool ReplaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error);

enum class CreateStatus { kCreated, kExists, kFailed };

// Writes `bytes` as the new file `path` through a temporary file, never
// replacing a file of that name: kExists leaves whatever is there untouched.
// kFailed with the reason in `error`. Main thread.
CreateStatus CreateNewFile(const std::string& path, std::span<const uint8_t> bytes,
                           std::string* error);

enum class ReadStatus { kOk, kMissing, kFailed };

// Reads at most `limit` bytes from the start of a regular file. kMissing when
// it cannot be opened or is no regular file; kFailed with the reason when a
// read fails.
ReadStatus ReadFileStart(const std::string& path, size_t limit, std::vector<uint8_t>* bytes,
                         std::string* error);

}  // namespace kornmill
