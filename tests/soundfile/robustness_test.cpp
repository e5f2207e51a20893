// Bad input never crashes or reads out of bounds: truncated files at every
// length, sizes and counts past the end. Run these in the sanitizer build (make
// test PRESET=asan); random input is the fuzz target's (scripts/fuzz-smoke).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "soundfile/formats.h"
#include "soundfile/soundfile.h"
#include "test_util.h"

namespace {

using namespace audio;
using namespace sftest;

enum class Outcome { kOk, kFormatError, kHeaderError, kTruncated, kLibsndfile, kOther };

// Opens and reads a file as the loader does (at most 2^20 frames of what a
// header may claim).
Outcome OpenAndRead(const std::string& path, std::string* message = nullptr) {
  DiagCapture quiet;
  Soundfile sf;
  try {
    sf = OpenSoundfile(path);
  } catch (const FormatError& e) {
    if (message) *message = e.what();
    return Outcome::kFormatError;
  } catch (const SoundfileError& e) {
    if (message) *message = e.what();
    return Outcome::kHeaderError;
  } catch (const std::exception& e) {
    if (message) *message = e.what();
    return Outcome::kOther;
  }
  try {
    const int64_t frames = std::min<int64_t>(sf.decoder->frame_count(), 1 << 20);
    std::vector<float> out(size_t(frames) * sf.format.channels);
    sf.decoder->read(out.data(), frames);
    std::ostringstream dump;
    sf.decoder->dump_chunks(dump);
  } catch (const TruncatedFileError& e) {
    if (message) *message = e.what();
    return Outcome::kTruncated;
  } catch (const std::exception& e) {
    if (message) *message = e.what();
    // The libsndfile decoder passes libsndfile's own error texts on.
    return std::string(e.what()).rfind("libsndfile", 0) == 0 ? Outcome::kLibsndfile
                                                             : Outcome::kOther;
  }
  return Outcome::kOk;
}

Bytes SmallWav() {
  Bytes chunks = RiffChunk("fmt ", FmtPayload(1, 2, 44100, 16));
  Append(chunks, RiffChunk("data", Ramp16LE(64, 300)));
  return Riff(chunks);
}

Bytes SmallAiff() {
  Bytes chunks = FormChunk("COMM", CommPayload(2, 32, 16, 44100));
  Bytes samples;
  for (int i = 0; i < 64; ++i) PutBE16(samples, uint16_t(i * 300));
  Append(chunks, FormChunk("SSND", SsndPayload(samples)));
  return Form(chunks);
}

// A file cut at every length fails at the header, then for want of its data,
// each with its own text; only the whole file reads.
TEST(Robustness, TruncatedFilesAtEveryLength) {
  const struct {
    Bytes full;
    size_t format_end;  // shorter: no room for the format chunk's header
    size_t header_end;  // shorter: the format chunk is cut short
    size_t data_chunk;  // shorter: no data chunk header
    size_t samples;     // where the samples start
  } files[] = {{SmallWav(), 20, 36, 44, 44}, {SmallAiff(), 20, 38, 46, 54}};
  TempDir dir;
  const std::string path = dir.file("t.snd");
  for (const auto& f : files) {
    for (size_t len = 0; len <= f.full.size(); ++len) {
      WriteFile(path, Bytes(f.full.begin(), f.full.begin() + std::ptrdiff_t(len)));
      std::string want;
      if (len < f.format_end || (len >= f.header_end && len < f.data_chunk)) {
        want = "Unknown soundfile format";
      } else if (len < f.header_end) {
        want = "not enough data to read header";
      } else if (len < f.full.size()) {
        const size_t have = (len > f.samples ? len - f.samples : 0) & ~size_t(1);
        want = "the file ends after " + std::to_string(have) +
               " of the 128 bytes of sound data its header announces";
      }
      std::string msg;
      OpenAndRead(path, &msg);
      EXPECT_EQ(msg, want) << "length " << len << " of " << f.full.size();
    }
  }
}

TEST(Robustness, TruncatedCorpusFilesNeverCrash) {
  // Files through every reader path, cut at many lengths: any documented
  // error is fine, a crash or sanitizer report is not.
  TempDir dir;
  std::vector<Bytes> files;
  const std::string src = dir.file("src.wav");
  ASSERT_TRUE(sftest::Run("sox -n -r 8000 -c 2 -b 16 '" + src + "' synth 0.05 sine 440 whitenoise"))
      << "sox could not write the source file";
  for (const char* args : {"-e ima-adpcm -b 4 x.wav", "-e ms-adpcm -b 4 x.wav", "-e a-law x.wav",
                           "-c 1 -e gsm-full-rate x.wav", "-b 24 x.wav", "-b 24 x.aiff",
                           "-t aifc -e floating-point -b 32 x.aifc", "-b 16 x.flac"}) {
    std::string a = args;
    const std::string out = dir.file(a.substr(a.rfind(' ') + 1));
    a = a.substr(0, a.rfind(' '));
    ASSERT_TRUE(sftest::Run("sox '" + src + "' " + a + " '" + out + "'")) << args;
    files.push_back(ReadFile(out));
  }
  const std::string path = dir.file("cut.bin");
  for (const Bytes& full : files) {
    const size_t step = std::max<size_t>(1, full.size() / 150);
    for (size_t len = 0; len <= full.size(); len += (len < 200 ? 1 : step)) {
      WriteFile(path, Bytes(full.begin(), full.begin() + std::ptrdiff_t(len)));
      std::string msg;
      const Outcome o = OpenAndRead(path, &msg);
      EXPECT_NE(o, Outcome::kOther)
          << "file " << &full - files.data() << " length " << len << ": " << msg;
    }
  }
}

TEST(Robustness, SizesAndCountsPastTheEnd) {
  TempDir dir;
  const std::string path = dir.file("big.wav");
  {
    // A fmt chunk with a huge size.
    Bytes b;
    Put(b, "RIFF");
    PutLE32(b, 0xFFFFFFFF);
    Put(b, "WAVE");
    Put(b, "fmt ");
    PutLE32(b, 0xFFFFFFF0);
    Append(b, FmtPayload(1, 2, 44100, 16));
    WriteFile(path, b);
    std::string msg;
    EXPECT_EQ(OpenAndRead(path, &msg), Outcome::kHeaderError) << msg;
  }
  {
    // Channels 0: no frames.
    Bytes chunks = RiffChunk("fmt ", FmtPayload(1, 0, 44100, 16));
    Append(chunks, RiffChunk("data", Ramp16LE(10)));
    WriteFile(path, Riff(chunks));
    const Soundfile sf = OpenSoundfile(path);
    EXPECT_EQ(sf.decoder->frame_count(), 0);
  }
  {
    // A chunk list of huge chunks whose sizes look like ids.
    Bytes b;
    Put(b, "RIFF");
    PutLE32(b, 0xFFFFFFFF);
    Put(b, "WAVE");
    for (int i = 0; i < 50; ++i) Put(b, "JUNK");
    WriteFile(path, b);
    EXPECT_EQ(OpenAndRead(path), Outcome::kFormatError);
  }
}

}  // namespace
