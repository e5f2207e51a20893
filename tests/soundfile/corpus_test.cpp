// Every decoded sample of a corpus written by sox (and, for what sox cannot
// write, by libsndfile) compared with libsndfile's own decoding of the file.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "soundfile/formats.h"
#include "soundfile/soundfile.h"
#include "test_util.h"

namespace {

using namespace audio;
using namespace audio::formats;

constexpr int kRate = 44100;
constexpr int kFrames = 11025;  // 0.25 s

enum class Path { kNative, kSndfile };

struct Case {
  std::string name;   // file name in the corpus folder
  std::string sox;    // sox arguments after the source ("" when written by libsndfile)
  int sf_format = 0;  // libsndfile format for files written by the helper
  int channels = 2;
  int rate = kRate;
  SoundfileType type;
  SampleFormat sample_format;  // expected for the native path
  Path path;
  int bits = 0;  // integer bits for the exact check, 0 for float or libsndfile data
  // Written by libsndfile with another compression type for little-endian
  // data ('42n1', '23ni'), then given the type 'sowt': libsndfile's decoding
  // of the unpatched file is the reference.
  bool patch_to_sowt = false;
};

std::vector<Case> Cases() {
  const SoundfileType W = SoundfileType::kWav, A = SoundfileType::kAiff, C = SoundfileType::kAifc,
                      O = SoundfileType::kOther;
  std::vector<Case> c;
  // Read by our own readers: file, sox arguments, type, sample format, integer bits.
  auto native = [&c](const std::string& name, const std::string& sox, SoundfileType type,
                     SampleFormat format, int bits, int channels = 2, int rate = kRate) {
    c.push_back({name, sox, 0, channels, rate, type, format, Path::kNative, bits});
  };
  // Handed to libsndfile.
  auto sndfile = [&c](const std::string& name, const std::string& sox, int channels,
                      int rate = kRate) {
    c.push_back({name, sox, 0, channels, rate, SoundfileType::kWav, kFloat32Host, Path::kSndfile});
  };
  for (int ch : {1, 2}) {
    const std::string m = ch == 1 ? "-c 1 " : "";
    const std::string s = ch == 1 ? "mono" : "stereo";
    native("u8_" + s + ".wav", m + "-e unsigned -b 8", W, kUInt8, 8, ch);
    native("s16_" + s + ".wav", m + "-e signed -b 16", W, kInt16LE, 16, ch);
    native("s24_" + s + ".wav", m + "-e signed -b 24", W, kInt24LE, 24, ch);
    native("s32_" + s + ".wav", m + "-e signed -b 32", W, kInt32LE, 32, ch);
    native("f32_" + s + ".wav", m + "-e floating-point -b 32", W, kFloat32LE, 0, ch);
    native("f64_" + s + ".wav", m + "-e floating-point -b 64", W, kFloat64LE, 0, ch);
    native("s8_" + s + ".aiff", m + "-e signed -b 8", A, kInt8, 8, ch);
    native("s16_" + s + ".aiff", m + "-e signed -b 16", A, kInt16BE, 16, ch);
    native("s24_" + s + ".aiff", m + "-e signed -b 24", A, kInt24BE, 24, ch);
    native("s32_" + s + ".aiff", m + "-e signed -b 32", A, kInt32BE, 32, ch);
    native("fl32_" + s + ".aifc", m + "-t aifc -e floating-point -b 32", C, kFloat32BE, 0, ch);
    native("fl64_" + s + ".aifc", m + "-t aifc -e floating-point -b 64", C, kFloat64BE, 0, ch);
  }
  // WAV without the extensible record (sox's "wavpcm").
  native("s24_pcm.wav", "-t wavpcm -e signed -b 24", W, kInt24LE, 24);
  native("s32_pcm.wav", "-t wavpcm -e signed -b 32", W, kInt32LE, 32);
  native("s16_22050.wav", "-e signed -b 16 -r 22050", W, kInt16LE, 16, 2, 22050);
  native("none16.aifc", "-t aifc -e signed -b 16", C, kInt16BE, 16);
  // Compressed WAV: through libsndfile.
  sndfile("alaw.wav", "-e a-law -b 8", 2);
  sndfile("ulaw.wav", "-e u-law -b 8", 2);
  sndfile("ima.wav", "-e ima-adpcm -b 4", 2);
  sndfile("msadpcm.wav", "-e ms-adpcm -b 4", 2);
  sndfile("msadpcm_mono.wav", "-c 1 -e ms-adpcm -b 4", 1);
  sndfile("gsm.wav", "-c 1 -r 8000 -e gsm-full-rate", 1, 8000);
  // Neither RIFF nor FORM: through libsndfile.
  c.push_back({"s16.flac", "-b 16", 0, 2, kRate, O, kFloat32Host, Path::kSndfile});
  c.push_back({"s24_mono.flac", "-c 1 -b 24", 0, 1, kRate, O, kFloat32Host, Path::kSndfile});
  // Written by libsndfile (sox writes no AIFC 'sowt').
  c.push_back({"sowt16.aifc", "", SF_FORMAT_AIFF | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE, 2, kRate, C,
               kInt16LE, Path::kNative, 16});
  c.push_back({"sowt24.aifc", "", SF_FORMAT_AIFF | SF_FORMAT_PCM_24 | SF_ENDIAN_LITTLE, 2, kRate, C,
               kInt24LE, Path::kNative, 24, true});
  c.push_back({"sowt32.aifc", "", SF_FORMAT_AIFF | SF_FORMAT_PCM_32 | SF_ENDIAN_LITTLE, 1, kRate, C,
               kInt32LE, Path::kNative, 32, true});
  c.push_back({"vorbis.ogg", "", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, kRate, O, kFloat32Host,
               Path::kSndfile});
  c.push_back(
      {"opus.ogg", "", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000, O, kFloat32Host, Path::kSndfile});
  c.push_back({"mpeg.mp3", "", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, kRate, O, kFloat32Host,
               Path::kSndfile});
  return c;
}

// The source signal: a sine on one channel, noise at -1 dBFS on the other,
// with a few full-scale samples (libsndfile-written files use the same shape).
std::vector<double> SourceSignal(int frames, int channels) {
  std::vector<double> v(size_t(frames) * size_t(channels));
  uint32_t seed = 12345;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      seed = seed * 1664525u + 1013904223u;
      const double noise = (double(seed >> 8) / double(1 << 24)) * 2 - 1;
      double x = c == 0 ? 0.8 * std::sin(2 * std::numbers::pi * 440 * i / kRate) : 0.89 * noise;
      if (i == 100) x = 1.0;
      if (i == 101) x = -1.0;
      v[size_t(i) * size_t(channels) + size_t(c)] = x;
    }
  }
  return v;
}

bool WriteWithSndfile(const std::string& path, const Case& k) {
  SF_INFO info{};
  info.samplerate = k.rate;
  info.channels = k.channels;
  info.format = k.sf_format;
  if (!sf_format_check(&info)) return false;
  SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
  if (sf == nullptr) return false;
  const std::vector<double> v = SourceSignal(kFrames, k.channels);
  const bool ok = sf_writef_double(sf, v.data(), kFrames) == kFrames;
  sf_close(sf);
  return ok;
}

class Corpus : public ::testing::TestWithParam<Case> {
 public:
  static void SetUpTestSuite() {
    dir_ = new sftest::TempDir;
    // Without it (or without sox) every sox case fails, saying so.
    sftest::Run("sox -n -r 44100 -c 2 -b 32 -e floating-point '" + dir_->file("src.wav") +
                "' synth 0.25 sine 440 whitenoise vol 0.9");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

 protected:
  // Writes the case's file; false (with a reason) when it cannot be made here.
  // `ref` is the file libsndfile's reference decoding comes from.
  bool Make(const Case& k, std::string& path, std::string& ref, std::string& why) {
    path = dir_->file(k.name);
    ref = path;
    if (!k.sox.empty()) {
      why = "sox could not write " + k.name + " (scripts/install-deps installs sox)";
      return sftest::Run("sox '" + dir_->file("src.wav") + "' " + k.sox + " '" + path + "'");
    }
    if (k.patch_to_sowt) ref = path + ".orig";
    if (!WriteWithSndfile(ref, k)) {
      why = "the installed libsndfile cannot write " + k.name;
      return false;
    }
    if (k.patch_to_sowt) {
      // The COMM chunk's compression type follows its 18-byte record.
      sftest::Bytes b = sftest::ReadFile(ref);
      const audio::formats::Chunk comm = find_chunk(b.data(), 12, b.size(), Fourcc("COMM"), true);
      if (!comm.found() || comm.size < 22) {
        why = "no AIFC COMM chunk in " + k.name;
        return false;
      }
      std::memcpy(b.data() + comm.offset + 18, "sowt", 4);
      sftest::WriteFile(path, b);
    }
    return true;
  }

  static sftest::TempDir* dir_;
};

sftest::TempDir* Corpus::dir_ = nullptr;

TEST_P(Corpus, DecodesLikeLibsndfile) {
  const Case& k = GetParam();
  std::string path, ref_path, why;
  ASSERT_TRUE(Make(k, path, ref_path, why)) << why;

  const sftest::SndRead ref = sftest::ReadWithSndfile(ref_path);
  ASSERT_TRUE(ref.ok) << "libsndfile cannot read " << k.name;

  const Soundfile sf = OpenSoundfile(path);
  EXPECT_EQ(sf.type, k.type);
  EXPECT_EQ(sf.format.frame_rate, uint32_t(k.rate));
  EXPECT_EQ(sf.format.frame_rate, uint32_t(ref.info.samplerate));
  EXPECT_EQ(sf.format.channels, uint32_t(k.channels));
  EXPECT_EQ(sf.format.channels, uint32_t(ref.info.channels));
  EXPECT_EQ(sf.format.sample_format, k.sample_format) << sf.format.sample_format.name();
  if (k.path == Path::kNative) {
    EXPECT_NE(dynamic_cast<MappedDecoder*>(sf.decoder.get()), nullptr);
  } else {
    EXPECT_NE(dynamic_cast<SndfileDecoder*>(sf.decoder.get()), nullptr);
  }

  // Frame counts: libsndfile's count (for block codecs, whole blocks).
  const int64_t frames = sf.decoder->frame_count();
  EXPECT_EQ(frames, ref.info.frames);

  std::vector<float> ours(size_t(frames) * size_t(k.channels), -99.0f);
  ASSERT_EQ(sf.decoder->read(ours.data(), frames), frames);

  // Within one step of the source resolution of libsndfile's decoding.
  const double step = k.bits > 0 ? 1.0 / (std::ldexp(1.0, k.bits - 1) - 1) : 1e-6;
  size_t mismatches = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    float want;
    if (k.path == Path::kSndfile || k.sample_format.kind() == 'f') {
      // Float data and libsndfile's own decoding: the same float values.
      want = k.sample_format == kFloat64LE || k.sample_format == kFloat64BE ? float(ref.doubles[i])
                                                                            : ref.floats[i];
    } else {
      // Integer data: the conversion formula from the integer libsndfile decodes
      // (libsndfile left-justifies every integer in 32 bits).
      const int32_t v = ref.ints[i];
      switch (k.bits) {
        case 8:
          want = float((v >> 24) * (1.0 / 127));
          break;
        case 16:
          want = float((v >> 16) * (1.0 / 32767));
          break;
        default:
          want = float(v * 0x1p-31);
          break;  // 24-bit (low byte zero) and 32-bit
      }
    }
    if (std::memcmp(&ours[i], &want, 4) != 0) {
      if (++mismatches < 5)
        ADD_FAILURE() << k.name << " sample " << i << ": " << ours[i] << " != " << want;
    }
    if (std::fabs(double(ours[i]) - ref.doubles[i]) > step + 1e-7) {
      if (++mismatches < 5)
        ADD_FAILURE() << k.name << " sample " << i << " off by more than a step";
    }
  }
  EXPECT_EQ(mismatches, 0u);

  // Reading from the middle gives the same samples.
  if (frames > 1000) {
    std::vector<float> mid(size_t(100) * size_t(k.channels));
    ASSERT_EQ(sf.decoder->read_frames(mid.data(), 900, 100), 100);
    EXPECT_EQ(std::memcmp(mid.data(), ours.data() + 900 * k.channels, mid.size() * 4), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string n = info.param.name;
                           for (char& ch : n) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return n;
                         });

}  // namespace
