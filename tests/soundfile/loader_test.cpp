// Loading sounds into memory with a fake application host.
#include "soundfile/loader/sound_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/sound_layout.h"
#include "loader_fakes.h"
#include "soundfile/soundfile.h"
#include "soundview/waveform_overview.h"

namespace kornmill {
namespace {

using sftest::Bytes;

class Loader : public LoaderTest {
 protected:
  // Writes a sox file: `channels` channels of `seconds` at `rate`.
  std::string Sox(const std::string& name, int channels, double seconds, int rate = 22050) {
    const std::string path = dir_.file(name);
    const std::string cmd = "sox -n -r " + std::to_string(rate) + " -c " +
                            std::to_string(channels) + " -b 16 '" + path + "' synth " +
                            std::to_string(seconds) + " sine 440 sine 660 sine 880 sine 1000";
    return sftest::Run(cmd) ? path : "";
  }

  // Loads on a worker thread and, as the main window does when the loader
  // posts its result, attaches the sound.
  Sound* LoadAndAttach(const std::string& path) {
    Sound* sound = Load(path);
    if (sound != nullptr) table_->AttachSound(host_.loaded.back().first, sound);
    return sound;
  }

  Stream& stream() { return streams_[0]; }

  // A record set up by hand (no samples needed for the counting rules).
  Sound& Fake(int i, const std::string& path, int32_t use_count, int32_t frames, int16_t channels) {
    Sound& s = table_->record(i);
    s.path = path;
    s.use_count = use_count;
    s.frame_count = frames;
    s.channels = channels;
    s.frame_rate = 44100;
    return s;
  }
};

// sox writes the test files; scripts/install-deps installs it.
#define REQUIRE_SOX(path) \
  ASSERT_FALSE((path).empty()) << "sox is missing or could not write the file"

TEST_F(Loader, LoadsAStereoFileAndAttachesIt) {
  const std::string path = Sox("tone.wav", 2, 0.5);
  REQUIRE_SOX(path);
  Sound* s = LoadAndAttach(path);
  ASSERT_NE(s, nullptr) << (host_.failed.empty() ? "" : host_.failed.back());
  EXPECT_TRUE(host_.failed.empty());
  EXPECT_EQ(host_.loaded.back().first, 0);
  EXPECT_GE(table_->index_of(s), 0);
  EXPECT_EQ(s->use_count, 1);
  EXPECT_FALSE(s->loading);
  EXPECT_EQ(s->path, path);
  EXPECT_EQ(s->name, "tone.wav");
  EXPECT_EQ(s->frame_count, 11025);
  EXPECT_EQ(s->frame_rate, 22050u);
  EXPECT_EQ(s->channels, 2);
  EXPECT_EQ(s->position_scale, PositionScale(11025, 2));
  EXPECT_EQ(s->position_scale_copy, s->position_scale);
  EXPECT_EQ(s->onset_unit, 268435456u / 44100u);
  EXPECT_EQ(s->rate_ratio, 44100u * 2048u / 22050u);
  EXPECT_EQ(s->amp_table.size(), size_t(11025 / 100 + 1));

  // The samples are the decoder's, followed by the guard (the first frames
  // again) and a spare sample.
  const int32_t guard = GuardFrameCount(s->position_scale, s->frame_count);
  ASSERT_EQ(s->samples.size(), size_t(11025 + guard) * 2 + 1);
  audio::Soundfile sf = audio::OpenSoundfile(path);
  std::vector<float> direct(11025 * 2);
  sf.decoder->read(direct.data(), 11025);
  EXPECT_EQ(std::memcmp(s->samples.data(), direct.data(), direct.size() * 4), 0);
  for (int32_t j = 0; j < guard * 2; ++j) {
    ASSERT_EQ(s->samples[size_t(11025 * 2 + j)], s->samples[size_t(j % (11025 * 2))]);
  }

  // AttachSound: the stream plays it with both channels; state restored.
  EXPECT_EQ(stream().sound, s);
  EXPECT_EQ(stream().input_mask, kInputBoth);
  EXPECT_EQ(stream().state, kStreamActive);
  EXPECT_EQ(host_.state_changes, (std::vector<int>{0, 0}));
  EXPECT_EQ(host_.folders, (std::vector<std::string>{dir_.path().string()}));
  EXPECT_EQ(host_.recent, (std::vector<std::string>{path}));
  EXPECT_EQ(host_.sound_changes, (std::vector<int>{0}));
}

// The waveform overview comes with the load for the sound view; a table told
// that nothing draws the sound loads the same samples without one.
TEST_F(Loader, TheOverviewIsMadeUnlessTurnedOff) {
  const std::string path = Sox("tone.wav", 1, 0.5);
  REQUIRE_SOX(path);
  Sound* drawn = Load(path);
  ASSERT_NE(drawn, nullptr);
  ASSERT_NE(drawn->overview, nullptr);
  EXPECT_GT(drawn->overview->columns(0), 0);
  const std::vector<float> samples = drawn->samples;

  table_->set_make_overviews(false);
  const std::string copy = dir_.file("copy.wav");
  std::filesystem::copy_file(path, copy);
  Sound* plain = Load(copy);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->overview, nullptr);
  EXPECT_EQ(plain->samples, samples);
}

// A mono sound plays from the left input; of more than two channels the
// first two are kept.
TEST_F(Loader, MonoUsesTheLeftChannelAndFourChannelsKeepTheFirstTwo) {
  const std::string mono = Sox("mono.wav", 1, 0.2);
  REQUIRE_SOX(mono);
  Sound* m = LoadAndAttach(mono);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->channels, 1);
  EXPECT_EQ(stream().input_mask, kInputLeft);

  const std::string path = Sox("quad.wav", 4, 0.1);
  Sound* s = LoadAndAttach(path);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->channels, 2);
  EXPECT_EQ(stream().input_mask, kInputBoth);
  audio::Soundfile sf = audio::OpenSoundfile(path);
  const int64_t frames = sf.decoder->frame_count();
  std::vector<float> all(size_t(frames) * 4);
  sf.decoder->read(all.data(), frames);
  for (int64_t i = 0; i < frames; ++i) {
    ASSERT_EQ(s->samples[size_t(2 * i)], all[size_t(4 * i)]);
    ASSERT_EQ(s->samples[size_t(2 * i + 1)], all[size_t(4 * i + 1)]);
  }
}

TEST_F(Loader, TheSameFileIsReadOnce) {
  const std::string path = Sox("once.wav", 2, 0.3);
  REQUIRE_SOX(path);
  Sound* s = LoadAndAttach(path);
  ASSERT_NE(s, nullptr);
  // The file is gone: a second load can only succeed without reading it.
  std::filesystem::remove(path);
  EXPECT_EQ(Load(path), nullptr);  // no worker ran
  EXPECT_TRUE(host_.failed.empty());
  EXPECT_EQ(stream().sound, s);
  // The stream already played it: its count is not raised by loading it again.
  EXPECT_EQ(s->use_count, 1);
  // A second stream's lookup  finds the record and
  // raises its count to 2.
  EXPECT_EQ(table_->FindSound(path), s);
  EXPECT_EQ(s->use_count, 2);
}

TEST_F(Loader, CachedSoundIsTakenUpAgainWithoutReading) {
  const std::string a = Sox("a.wav", 2, 0.3);
  const std::string b = Sox("b.wav", 1, 0.3);
  REQUIRE_SOX(a);
  Sound* sa = LoadAndAttach(a);
  Sound* sb = LoadAndAttach(b);
  ASSERT_NE(sa, nullptr);
  ASSERT_NE(sb, nullptr);
  EXPECT_NE(sa, sb);
  // A was released with fewer than 1050000 samples: cached.
  EXPECT_EQ(sa->use_count, -1);
  EXPECT_EQ(sa->frame_count, 6615);
  std::filesystem::remove(a);
  table_->LoadSound(a);
  EXPECT_EQ(stream().sound, sa);
  EXPECT_EQ(sa->use_count, 1);
  EXPECT_EQ(sb->use_count, -1);
  EXPECT_EQ(stream().input_mask, kInputBoth);
}

TEST_F(Loader, ANewOutputRateReachesEveryLoadedSound) {
  // A cached sound (idle, use count below 0) and one being loaded.
  Sound& cached = Fake(0, "/x/cached.wav", -3, 1000, 1);
  Sound& loading = Fake(1, "/x/loading.wav", 0, 1000, 1);
  loading.loading = true;
  loading.onset_unit = 7;
  table_->set_output_rate(22050);
  EXPECT_EQ(cached.onset_unit, 268435456u / 22050);
  EXPECT_EQ(cached.rate_ratio, 22050u * 2048 / 44100);
  EXPECT_EQ(loading.onset_unit, 7u);            // its loader sets it when the load completes
  EXPECT_EQ(table_->record(2).onset_unit, 0u);  // empty records stay empty
}

TEST_F(Loader, ReleaseThresholds) {
  // Releasing a stereo sound of 600000 frames (1200000 samples) frees it; one
  // of 500000 frames (1000000 samples) stays cached.
  Sound& big = Fake(3, "/snd/big.wav", 1, 600000, 2);
  Sound& small = Fake(4, "/snd/small.wav", 0, 500000, 2);
  Sound& next = Fake(5, "/snd/next.wav", 1, 1000, 1);
  stream().sound = &big;
  table_->AttachSound(0, &small);
  EXPECT_EQ(big.use_count, 0);
  EXPECT_TRUE(big.path.empty());
  EXPECT_EQ(big.frame_count, 0);
  // (AttachSound itself does not raise the count; the lookup or loader did.)
  small.use_count = 1;
  table_->AttachSound(0, &next);
  EXPECT_EQ(small.use_count, -1);
  EXPECT_EQ(small.path, "/snd/small.wav");
  // Exactly at the limit: 525000 stereo frames = 1050000 samples stay cached.
  Sound& edge = Fake(6, "/snd/edge.wav", 1, 525000, 2);
  table_->AttachSound(0, &edge);
  EXPECT_EQ(next.use_count, -1);
  table_->AttachSound(0, &small);
  EXPECT_EQ(edge.use_count, -1);
  // A sound still read by grains keeps count 0 and its data.
  Sound& graned = Fake(7, "/snd/grains.wav", 1, 600000, 2);
  graned.live_grains = 3;
  stream().sound = &graned;
  table_->AttachSound(0, &small);
  EXPECT_EQ(graned.use_count, 0);
  EXPECT_EQ(graned.path, "/snd/grains.wav");
  // The built-in sine is never counted, nor freed.
  stream().sound = &sine_;
  table_->AttachSound(0, &small);
  EXPECT_EQ(sine_.use_count, 1);
  SoundTable::FreeSound(sine_);
  EXPECT_EQ(sine_.path, "Built-in 110 Hz sine");
}

TEST_F(Loader, LookupFreesLeftSoundsAboveTheLimit) {
  // Use count 0, no live grains, a path: freed by a lookup above 2097152 samples.
  Sound& above = Fake(2, "/snd/above.wav", 0, 1048577, 2);  // 2097154 samples
  Sound& at = Fake(3, "/snd/at.wav", 0, 1048576, 2);        // 2097152 samples
  Sound& read = Fake(4, "/snd/read.wav", 0, 2000000, 2);
  read.live_grains = 1;
  for (int i = 0; i < kSoundRecords; ++i) {
    if (i < 2 || i > 4) Fake(i, "/snd/used" + std::to_string(i), 1, 100, 1);
  }
  Sound* got = table_->FindSound("/snd/new.wav");
  EXPECT_TRUE(above.path.empty());         // freed during the pass
  EXPECT_EQ(at.path.empty(), got == &at);  // kept unless chosen
  EXPECT_EQ(read.path, "/snd/read.wav");   // grains still read it
  EXPECT_EQ(read.frame_count, 2000000);
  // The first free record was chosen.
  EXPECT_EQ(got, &above);
  EXPECT_EQ(got->use_count, 0);
  EXPECT_EQ(at.path, "/snd/at.wav");
}

TEST_F(Loader, LookupAgesCachedSoundsAndPrefersEmptyRecords) {
  for (int i = 0; i < kSoundRecords; ++i) Fake(i, "/snd/" + std::to_string(i), 1, 100, 1);
  Sound& cached_a = Fake(5, "/snd/ca", -1, 100, 1);
  Sound& cached_b = Fake(8, "/snd/cb", -3, 100, 1);
  // Eleven in use and... two cached: the one idle longest is reused.
  Sound* got = table_->FindSound("/snd/new");
  EXPECT_EQ(got, &cached_b);
  EXPECT_EQ(cached_a.use_count, -2);  // aged by one
  EXPECT_EQ(cached_a.path, "/snd/ca");
  for (int i = 0; i < kSoundRecords; ++i) {
    if (i != 5 && i != 8) {
      EXPECT_EQ(table_->record(i).use_count, 1) << i;
    }
  }
  // Now record 8 is empty (count 0) and record 5 cached: the empty one wins,
  // though the cached one comes first in the table.
  got->path = "/snd/new";
  got->use_count = 0;
  table_->FreeSound(*got);
  EXPECT_EQ(table_->FindSound("/snd/other"), &table_->record(8));
  EXPECT_EQ(cached_a.use_count, -3);
  EXPECT_EQ(cached_a.path, "/snd/ca");
}

TEST_F(Loader, AllRecordsInUseRefusesTheLoad) {
  for (int i = 0; i < kSoundRecords; ++i) Fake(i, "/snd/" + std::to_string(i), 1, 100, 1);
  EXPECT_EQ(table_->FindSound("/snd/new"), nullptr);
  const std::string path = dir_.file("x.wav");
  EXPECT_EQ(Load(path), nullptr);
  ASSERT_EQ(host_.failed.size(), 1u);
  EXPECT_EQ(host_.failed[0], "All 12 sound records are in use - could not load " + path);
  for (int i = 0; i < kSoundRecords; ++i) {
    EXPECT_EQ(table_->record(i).use_count, 1);
    EXPECT_EQ(table_->record(i).path, "/snd/" + std::to_string(i));
  }
  EXPECT_EQ(stream().sound, &sine_);
  // A record left while grains still read it is no way out either.
  table_->record(1).use_count = 0;
  table_->record(1).live_grains = 2;
  EXPECT_EQ(table_->FindSound("/snd/new"), nullptr);
  EXPECT_EQ(table_->record(1).path, "/snd/1");
}

TEST_F(Loader, ARecordBeingLoadedIsNeitherFreedNorHandedOut) {
  Sound& loading = table_->record(1);
  loading.path = "/snd/loading.wav";
  loading.loading = true;
  loading.frame_count = 2000000;
  loading.channels = 2;
  // Not matched, aged, freed or chosen.
  Sound* got = table_->FindSound("/snd/loading.wav");
  EXPECT_NE(got, &loading);
  EXPECT_EQ(loading.path, "/snd/loading.wav");
  EXPECT_EQ(loading.frame_count, 2000000);
  EXPECT_EQ(loading.use_count, 0);
  // A second load of the same path is refused while the first runs.
  table_->LoadSound("/snd/loading.wav");
  ASSERT_EQ(host_.failed.size(), 1u);
  EXPECT_EQ(host_.failed[0], "/snd/loading.wav is being loaded already");
}

TEST_F(Loader, MemoryBeyondTheTotalIsRefused) {
  const std::string path = Sox("mem.wav", 2, 0.5);
  REQUIRE_SOX(path);
  memory_ = MemoryStatus{50000, 40000};
  Sound* previous = stream().sound;
  EXPECT_EQ(Load(path), nullptr);
  ASSERT_EQ(host_.failed.size(), 1u);
  // need: 11025 stereo frames and their guard, the spare sample and the
  // amplitude table, 4 bytes each; total 48 kB.
  const int32_t guard = GuardFrameCount(PositionScale(11025, 2), 11025);
  const uint64_t need = ((11025 + uint64_t(guard)) * 2 + 1 + 11025 / 100 + 1) * 4;
  EXPECT_EQ(host_.failed[0], path + " (" + std::to_string(need / 1024) +
                                 " kB) exceeds total physical memory (48 kB)!");
  EXPECT_EQ(stream().sound, previous);
  // The record is left empty with use count -1.
  int left = 0;
  for (int i = 0; i < kSoundRecords; ++i) {
    const Sound& r = table_->record(i);
    if (r.use_count == -1) left += r.path.empty() && r.samples.empty() && !r.loading;
  }
  EXPECT_EQ(left, 1);
}

TEST_F(Loader, MemoryQuestionCancelAndOk) {
  // 560000 stereo frames: 4480000 bytes and their guard, more than 4 MiB.
  const std::string path = Sox("long.wav", 2, 70, 8000);
  REQUIRE_SOX(path);
  memory_ = MemoryStatus{16000000, 1000000};  // a quarter of the total is 4 MB
  host_.answer = false;
  Sound* previous = stream().sound;
  EXPECT_EQ(Load(path), nullptr);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].first, "File Information");
  const int32_t guard = GuardFrameCount(PositionScale(560000, 2), 560000);
  const uint64_t need = ((560000 + uint64_t(guard)) * 2 + 1 + 560000 / 100 + 1) * 4;
  EXPECT_EQ(host_.questions[0].second,
            path + " (" + std::to_string(need / 1024) +
                " kB) may be larger than available memory (976 kB)\n\nYou may try to "
                "load it into memory.\nIf you try to load too large a file into memory, Sifter "
                "will probably lock up.\nClick OK to load into memory, Cancel to skip file.");
  ASSERT_EQ(host_.failed.size(), 1u);
  EXPECT_EQ(host_.failed[0], "");  // Cancel: the status text stays
  EXPECT_EQ(stream().sound, previous);
  for (int i = 0; i < kSoundRecords; ++i) EXPECT_TRUE(table_->record(i).samples.empty());

  host_.answer = true;
  Sound* s = LoadAndAttach(path);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(host_.questions.size(), 2u);
  EXPECT_EQ(s->frame_count, 560000);

  // Released (too large to stay cached) and loaded again with enough
  // available memory: no question.
  table_->AttachSound(0, &sine_);
  memory_ = MemoryStatus{16000000, 8000000};
  ASSERT_NE(LoadAndAttach(path), nullptr);
  EXPECT_EQ(host_.questions.size(), 2u);
}

TEST_F(Loader, FailingLoadsKeepTheStreamsSound) {
  const std::string path = Sox("keep.wav", 2, 0.2);
  REQUIRE_SOX(path);
  Sound* s = LoadAndAttach(path);
  ASSERT_NE(s, nullptr);

  const std::string missing = dir_.file("missing.wav");
  EXPECT_EQ(Load(missing), nullptr);
  ASSERT_EQ(host_.failed.size(), 1u);
  EXPECT_EQ(host_.failed[0], "No such file or directory. Could not open " + missing);

  const std::string text = dir_.file("notes.txt");
  sftest::WriteFile(text, Bytes(100, 'x'));
  EXPECT_EQ(Load(text), nullptr);
  EXPECT_EQ(host_.failed.back(), "Unknown soundfile format. Could not open " + text);

  // An empty data chunk.
  Bytes empty = sftest::RiffChunk("fmt ", sftest::FmtPayload(1, 1, 44100, 16));
  sftest::Append(empty, sftest::RiffChunk("data", {}));
  const std::string none = dir_.file("empty.wav");
  sftest::WriteFile(none, sftest::Riff(empty));
  EXPECT_EQ(Load(none), nullptr);
  EXPECT_EQ(host_.failed.back(), "Error: Soundfile holds no sound data - could not read " + none);

  EXPECT_EQ(host_.failed.size(), 3u);
  EXPECT_EQ(stream().sound, s);
  EXPECT_EQ(s->use_count, 1);
  EXPECT_EQ(stream().input_mask, kInputBoth);
}

TEST_F(Loader, CompressedAndFlacFilesLoad) {
  const std::string src = Sox("src.wav", 2, 0.2);
  REQUIRE_SOX(src);
  for (const std::string args : {"-e ima-adpcm -b 4 ima.wav", "-b 16 f.flac"}) {
    const std::string out = dir_.file(args.substr(args.rfind(' ') + 1));
    ASSERT_TRUE(
        sftest::Run("sox '" + src + "' " + args.substr(0, args.rfind(' ')) + " '" + out + "'"));
    Sound* s = LoadAndAttach(out);
    ASSERT_NE(s, nullptr) << out << ": " << (host_.failed.empty() ? "" : host_.failed.back());
    EXPECT_EQ(s->channels, 2);
    EXPECT_EQ(s->frame_rate, 22050u);
    EXPECT_GE(s->frame_count, 4410);
  }
}

TEST(MemoryStatusTest, ParsesMeminfo) {
  const MemoryStatus m = ParseMeminfo(
      "MemTotal:       16384000 kB\nMemFree:         1000 kB\nMemAvailable:    8192000 kB\n"
      "Buffers:          1 kB\n");
  EXPECT_EQ(m.total, 16384000ull * 1024);
  EXPECT_EQ(m.available, 8192000ull * 1024);
  const MemoryStatus old = ParseMeminfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n");
  EXPECT_EQ(old.available, 1024ull * 1024);
  EXPECT_EQ(ParseMeminfo("").total, 0u);
}

TEST(MemoryStatusTest, CgroupLimit) {
  const MemoryStatus sys{uint64_t(64) << 30, uint64_t(32) << 30};
  const MemoryStatus none = ApplyCgroupLimit(sys, "max\n", "123\n");
  EXPECT_EQ(none.total, sys.total);
  EXPECT_EQ(none.available, sys.available);
  const MemoryStatus lim = ApplyCgroupLimit(sys, "2147483648\n", "1073741824\n");
  EXPECT_EQ(lim.total, 2147483648ull);
  EXPECT_EQ(lim.available, 1073741824ull);
  const MemoryStatus full = ApplyCgroupLimit(sys, "1000\n", "5000\n");
  EXPECT_EQ(full.available, 0u);
  EXPECT_EQ(ApplyCgroupLimit(sys, "", "").total, sys.total);
}

}  // namespace
}  // namespace kornmill
