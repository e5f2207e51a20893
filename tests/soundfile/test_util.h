// Helpers shared by the sound-file tests: temporary folders, hand-built files,
// running sox, reading files with libsndfile, capturing diagnostic lines.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "soundfile/diagnostics.h"

namespace sftest {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "kornmill-sf-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) std::abort();
    path_ = templ;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

using Bytes = std::vector<uint8_t>;

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The size of a file on disk; 0 (and a failure) when it cannot be read.
inline uint64_t DiskSize(const std::string& path) {
  std::error_code ec;
  const uint64_t size = fs::file_size(path, ec);
  EXPECT_FALSE(ec) << path << ": " << ec.message();
  return ec ? 0 : size;
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Appending little- and big-endian fields.
inline void Put(Bytes& b, const char* fourcc) {
  for (int k = 0; k < 4; ++k) b.push_back(uint8_t(fourcc[k]));
}
inline void PutLE16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void PutLE32(Bytes& b, uint32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(uint8_t(v >> (8 * k)));
}
inline void PutBE16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}
inline void PutBE32(Bytes& b, uint32_t v) {
  for (int k = 3; k >= 0; --k) b.push_back(uint8_t(v >> (8 * k)));
}
inline void Append(Bytes& b, const Bytes& more) {
  b.insert(b.end(), more.begin(), more.end());
}

// A chunk: id, size (little-endian in RIFF files, big-endian in FORM files),
// payload, and a pad byte when the payload is odd.
inline Bytes MakeChunk(const char* id, const Bytes& payload, bool big_endian) {
  Bytes b;
  Put(b, id);
  big_endian ? PutBE32(b, uint32_t(payload.size())) : PutLE32(b, uint32_t(payload.size()));
  Append(b, payload);
  if (payload.size() & 1) b.push_back(0);
  return b;
}
inline Bytes RiffChunk(const char* id, const Bytes& payload) {
  return MakeChunk(id, payload, false);
}
inline Bytes FormChunk(const char* id, const Bytes& payload) {
  return MakeChunk(id, payload, true);
}

// The 16-byte PCM/float format record.
inline Bytes FmtPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes b;
  PutLE16(b, tag);
  PutLE16(b, channels);
  PutLE32(b, rate);
  PutLE32(b, rate * channels * (bits / 8));
  PutLE16(b, uint16_t(channels * (bits / 8)));
  PutLE16(b, bits);
  return b;
}

// A RIFF/WAVE or FORM/AIFF file around the given chunks (its size set to fit).
inline Bytes Riff(const Bytes& chunks, const char* form = "WAVE") {
  Bytes b;
  Put(b, "RIFF");
  PutLE32(b, uint32_t(chunks.size() + 4));
  Put(b, form);
  Append(b, chunks);
  return b;
}
inline Bytes Form(const Bytes& chunks, const char* form = "AIFF") {
  Bytes b;
  Put(b, "FORM");
  PutBE32(b, uint32_t(chunks.size() + 4));
  Put(b, form);
  Append(b, chunks);
  return b;
}

// 16-bit little-endian samples 0, 1, 2, ... n-1 scaled by `step`.
inline Bytes Ramp16LE(int n, int step = 1) {
  Bytes b;
  for (int i = 0; i < n; ++i) PutLE16(b, uint16_t(int16_t(i * step)));
  return b;
}

// The 80-bit IEEE extended representation of an integer rate.
inline Bytes Extended80(uint32_t rate) {
  Bytes b;
  int exp = 31;
  uint64_t m = uint64_t(rate) << 32;
  while (!(m & (uint64_t(1) << 63))) {
    m <<= 1;
    --exp;
  }
  PutBE16(b, uint32_t(16383 + exp));
  PutBE32(b, uint32_t(m >> 32));
  PutBE32(b, uint32_t(m));
  return b;
}

// The COMM payload (AIFF: 18 bytes; AIFC: plus compression type and an empty name).
inline Bytes CommPayload(int16_t channels, uint32_t frames, int16_t bits, uint32_t rate,
                         const char* compression = nullptr) {
  Bytes b;
  PutBE16(b, uint16_t(channels));
  PutBE32(b, frames);
  PutBE16(b, uint16_t(bits));
  Append(b, Extended80(rate));
  if (compression != nullptr) {
    Put(b, compression);
    Append(b, {0, 0});  // the name's length byte and the pad byte
  }
  return b;
}

inline Bytes SsndPayload(const Bytes& samples, uint32_t offset = 0) {
  Bytes b;
  PutBE32(b, offset);
  PutBE32(b, 0);
  Append(b, samples);
  return b;
}

// Runs a shell command with its output discarded; true when it succeeded. The
// sox commands fail this way when sox is missing (scripts/install-deps installs it).
inline bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A file as libsndfile decodes it.
struct SndRead {
  bool ok = false;
  SF_INFO info{};
  std::vector<float> floats;
  std::vector<double> doubles;
  std::vector<int> ints;
};

inline SndRead ReadWithSndfile(const std::string& path) {
  // Each kind of sample is read from a fresh handle: some streams (GSM 6.10)
  // cannot seek back to the start.
  SndRead r;
  auto read = [&](auto& samples, auto sf_readf) {
    r.info = SF_INFO{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &r.info);
    if (sf == nullptr) return false;
    samples.resize(size_t(r.info.frames) * size_t(r.info.channels));
    const bool whole = sf_readf(sf, samples.data(), r.info.frames) == r.info.frames;
    sf_close(sf);
    return whole;
  };
  r.ok = read(r.floats, sf_readf_float) && read(r.doubles, sf_readf_double) &&
         read(r.ints, sf_readf_int);
  return r;
}

// Collects diagnostic lines while it lives.
class DiagCapture {
 public:
  DiagCapture() {
    audio::SetDiagnosticSink([this](std::string_view line) { lines_.emplace_back(line); });
  }
  ~DiagCapture() { audio::SetDiagnosticSink(nullptr); }
  const std::vector<std::string>& lines() const { return lines_; }
  bool contains(const std::string& line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }

 private:
  std::vector<std::string> lines_;
};

}  // namespace sftest
