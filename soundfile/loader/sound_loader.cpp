#include "soundfile/loader/sound_loader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <climits>
#include <fstream>
#include <initializer_list>
#include <new>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "base/prefault.h"
#include "engine/sound_layout.h"
#include "soundfile/converters.h"
#include "soundfile/soundfile.h"
#include "soundview/waveform_overview.h"

namespace kornmill {
namespace {

// Fills the "%s" and "%u" places of a status text with `args` in order.
std::string Fill(const char* format, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'u') && arg != args.end()) {
      out += *arg++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

bool ParseU64(std::string_view s, uint64_t& v) {
  s = Trim(s);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::string();
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A one-channel sound read with the second-channel mask reaches one sample past
// the last guard frame: a spare zero sample follows the guard.
constexpr size_t kSpareSamples = 1;
// The amplitude table has one entry per this many frames.
constexpr int64_t kAmpTableFrames = 100;

// Replaces samples that are not numbers (NaN, infinite) by 0 and counts them:
// one of them would turn every grain that reads it, and the mix, into NaN.
int64_t ReplaceNonFinite(Sound& s) {
  int64_t replaced = 0;
  float* v = s.samples.data();
  for (int64_t i = 0, n = s.sample_count(); i < n; ++i) {
    if (!std::isfinite(v[i])) {
      v[i] = 0.0f;
      ++replaced;
    }
  }
  return replaced;
}

// Opens `path` and checks that it holds a sound the engine can play, before
// anything is allocated for it; false with the status text when not.
bool OpenChecked(const std::string& path, audio::Soundfile& file, std::string& status) {
  try {
    file = audio::OpenSoundfile(path);
  } catch (const std::exception& e) {
    status = Fill(kTextCouldNotOpen, {e.what(), path});
    return false;
  } catch (...) {
    status = Fill(kTextCouldNotOpen, {"Unknown error", path});
    return false;
  }
  const audio::SoundFormat format = file.format;
  const int64_t frames = file.decoder->frame_count();
  const int channels = int(std::min<int64_t>(format.channels, 2));
  try {
    // The engine's arithmetic needs frames, channels and a rate, and at least
    // one frame per position unit.
    if (frames <= 0 || channels <= 0) throw std::runtime_error("Soundfile holds no sound data");
    if (format.frame_rate == 0) throw std::runtime_error("Soundfile has a frame rate of 0");
    if (frames > INT32_MAX || PositionScale(int32_t(frames), channels) < 1.0f) {
      throw std::runtime_error("Soundfile too long");
    }
    // A sample format without a conversion fails here, and a header that
    // claims more data than the file holds.
    audio::formats::MakeConverter(format.sample_format, audio::formats::kFloat32Host);
    file.decoder->check_complete();
  } catch (const std::exception& e) {
    status = Fill(kTextCouldNotRead, {e.what(), path});
    return false;
  }
  return true;
}

// Moves a record's storage into `graveyard` (freed later, outside the locks)
// and clears the record.
void Clear(Sound& s, std::vector<Sound>& graveyard) {
  graveyard.push_back(std::move(s));
  s = Sound{};
}

}  // namespace

// ---------------------------------------------------------------------------
// Memory figures

MemoryStatus ParseMeminfo(std::string_view text) {
  MemoryStatus m;
  uint64_t free = 0;
  bool have_available = false;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon);
    std::string_view value = Trim(line.substr(colon + 1));
    uint64_t scale = 1;
    if (value.size() > 3 && value.substr(value.size() - 3) == " kB") {
      scale = 1024;
      value.remove_suffix(3);
    }
    uint64_t v = 0;
    if (!ParseU64(value, v)) continue;
    if (key == "MemTotal") {
      m.total = v * scale;
    } else if (key == "MemAvailable") {
      m.available = v * scale;
      have_available = true;
    } else if (key == "MemFree") {
      free = v * scale;
    }
  }
  if (!have_available) m.available = free;
  return m;
}

MemoryStatus ApplyCgroupLimit(MemoryStatus status, std::string_view memory_max,
                              std::string_view memory_current) {
  uint64_t limit = 0;
  if (!ParseU64(memory_max, limit)) return status;  // "max", empty or unreadable: no limit
  status.total = std::min(status.total, limit);
  uint64_t used = 0;
  if (!ParseU64(memory_current, used)) used = 0;
  status.available = std::min(status.available, limit > used ? limit - used : 0);
  return status;
}

MemoryStatus ReadSystemMemoryStatus() {
  MemoryStatus m = ParseMeminfo(ReadSmallFile("/proc/meminfo"));
  // The process's own cgroup (v2: the line "0::/path"), else the root file.
  std::string dir;
  std::istringstream cgroups(ReadSmallFile("/proc/self/cgroup"));
  for (std::string line; std::getline(cgroups, line);) {
    if (line.rfind("0::", 0) == 0) {
      dir = "/sys/fs/cgroup" + line.substr(3);
      break;
    }
  }
  std::string max_text;
  if (!dir.empty()) max_text = ReadSmallFile(dir + "/memory.max");
  if (max_text.empty()) {
    dir = "/sys/fs/cgroup";
    max_text = ReadSmallFile(dir + "/memory.max");
  }
  return ApplyCgroupLimit(m, max_text, ReadSmallFile(dir + "/memory.current"));
}

// ---------------------------------------------------------------------------
// SoundTable

SoundTable::SoundTable(StreamTable& streams, std::mutex& render_lock, LoaderHost& host,
                       MemoryStatusFn memory_status)
    : streams_(streams),
      render_lock_(render_lock),
      host_(host),
      memory_status_(memory_status ? std::move(memory_status) : ReadSystemMemoryStatus) {}

SoundTable::~SoundTable() {
  WaitForLoaders();
}

int SoundTable::index_of(const Sound* sound) const {
  for (int i = 0; i < kSoundRecords; ++i) {
    if (&records_[size_t(i)] == sound) return i;
  }
  return -1;
}

void SoundTable::FreeSound(Sound& sound) {
  if (sound.builtin) return;
  Sound empty;
  std::swap(sound, empty);  // the old storage goes with `empty`
}

Sound* SoundTable::FindSound(const std::string& path) {
  std::vector<Sound> graveyard;
  Sound* found;
  {
    std::scoped_lock lock(render_lock_, table_mutex_);
    found = FindSoundLocked(path, graveyard);
  }
  return found;  // the graveyard is freed here, outside the locks
}

Sound* SoundTable::FindSoundLocked(const std::string& path, std::vector<Sound>& graveyard) {
  // A record the lookup may hand out for a new load.
  auto usable = [](const Sound& s) { return !s.loading && s.use_count <= 0 && s.live_grains == 0; };
  Sound* candidate = &records_[1];
  for (Sound& r : records_) {
    if (r.loading) continue;  // being filled by a loader thread: not touched
    if (!r.path.empty() && r.path == path) {
      r.use_count = r.use_count >= 0 ? r.use_count + 1 : 1;
      return &r;
    }
    if (r.use_count == 0 && r.live_grains == 0) {
      if (!r.path.empty() && r.sample_count() > kLookupFreeLimit) Clear(r, graveyard);
      if (!usable(*candidate) || candidate->use_count != 0) candidate = &r;
    } else if (r.use_count < 0) {
      if (r.use_count > INT32_MIN) r.use_count -= 1;  // ages by one on every lookup
      if (r.live_grains == 0 && (!usable(*candidate) || (candidate->use_count != 0 &&
                                                         r.use_count < candidate->use_count))) {
        candidate = &r;
      }
    }
  }
  if (!usable(*candidate)) return nullptr;
  Clear(*candidate, graveyard);
  return candidate;
}

void SoundTable::ReapWorkers() {
  std::lock_guard<std::mutex> lock(workers_mutex_);
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void SoundTable::WaitForLoaders() {
  std::vector<Worker> workers;
  {
    std::lock_guard<std::mutex> lock(workers_mutex_);
    workers.swap(workers_);
  }
  for (Worker& w : workers) w.thread.join();
}

int SoundTable::LoadSound(const std::string& path) {
  ReapWorkers();
  const int stream = streams_.current_index();
  Sound* record = nullptr;
  bool attach = false;
  std::string refusal;
  std::vector<Sound> graveyard;
  {
    std::scoped_lock lock(render_lock_, table_mutex_);
    const bool being_loaded = std::any_of(records_.begin(), records_.end(), [&](const Sound& s) {
      return s.loading && s.path == path;
    });
    if (being_loaded) {
      refusal = Fill(kTextBeingLoaded, {path});
    } else if ((record = FindSoundLocked(path, graveyard)) == nullptr) {
      refusal = Fill(kTextAllInUse, {path});
    } else if (record->use_count > 0) {
      attach = true;
    } else {
      record->path = path;
      record->loading = true;
    }
  }
  graveyard.clear();
  if (!refusal.empty()) {
    host_.PostLoadFailed(refusal);
    return 1;
  }
  if (attach) {
    AttachSound(stream, record);
    return 1;
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  try {
    std::thread t([this, record, stream, done] {
      SoundLoaderThread(record, stream);
      done->store(true);
    });
    std::lock_guard<std::mutex> lock(workers_mutex_);
    workers_.push_back(Worker{std::move(t), done});
  } catch (const std::exception& e) {
    {
      std::lock_guard<std::mutex> lock(table_mutex_);
      Clear(*record, graveyard);
      record->use_count = -1;
    }
    graveyard.clear();
    host_.PostLoadFailed(Fill(kTextCouldNotOpen, {e.what(), path}));
  }
  return 1;
}

uint64_t LoadBytes(int64_t frames, int channels, int64_t file_channels, int32_t guard_frames) {
  const uint64_t samples = (uint64_t(frames) + uint64_t(std::max(guard_frames, 0))) *
                               uint64_t(channels) + kSpareSamples;
  const uint64_t amp_table = uint64_t(frames) / kAmpTableFrames + 1;
  const uint64_t read_buffer = file_channels > 2 ? uint64_t(kReadChunkBytes) : 0;
  return (samples + amp_table) * sizeof(float) + read_buffer;
}

bool SoundTable::CheckMemory(const std::string& path, uint64_t need, std::string& status) {
  const MemoryStatus memory = memory_status_();
  if (need > memory.total) {
    status = Fill(kTextExceedsTotal,
                  {path, std::to_string(need / 1024), std::to_string(memory.total / 1024)});
    return false;
  }
  if (need > kMemoryQuestionBytes && need > memory.total / 4 && need > memory.available) {
    const std::string question = Fill(kTextMayBeLarger, {path, std::to_string(need / 1024),
                                                         std::to_string(memory.available / 1024)});
    if (!host_.AskQuestion(kQuestionTitle, question)) {
      status.clear();  // Cancel: the status text stays as it is
      return false;
    }
  }
  return true;
}

void SoundTable::ReadSamples(audio::Decoder& decoder, Sound& rec, int64_t file_channels) {
  const int64_t frames = rec.frame_count;
  if (file_channels <= 2) {
    decoder.read(rec.samples.data(), frames);
    return;
  }
  // A file of many channels is read a bounded number of bytes at a time.
  const int64_t chunk_frames =
      std::max<int64_t>(1, kReadChunkBytes / (file_channels * int64_t(sizeof(float))));
  std::vector<float> chunk(size_t(chunk_frames * file_channels));
  for (int64_t first = 0; first < frames; first += chunk_frames) {
    const int64_t n = std::min(chunk_frames, frames - first);
    decoder.read_frames(chunk.data(), first, n);
    float* out = rec.samples.data() + first * 2;
    for (int64_t i = 0; i < n; ++i) {
      out[2 * i] = chunk[size_t(i * file_channels)];
      out[2 * i + 1] = chunk[size_t(i * file_channels + 1)];
    }
  }
}

bool SoundTable::LoadRecord(Sound& rec, std::string& status, std::string& notice) {
  const std::string path = rec.path;
  audio::Soundfile file;
  if (!OpenChecked(path, file, status)) return false;
  const audio::SoundFormat format = file.format;
  const int64_t frames = file.decoder->frame_count();
  const int64_t file_channels = format.channels;
  // Sounds are mono or stereo: of a file with more channels the first two are kept.
  const int channels = int(std::min<int64_t>(file_channels, 2));
  rec.frame_count = int32_t(frames);
  rec.frame_rate = format.frame_rate;
  rec.channels = int16_t(channels);
  rec.position_scale = PositionScale(rec.frame_count, channels);
  rec.position_scale_copy = rec.position_scale;
  const int32_t guard = GuardFrameCount(rec.position_scale, rec.frame_count);
  if (!CheckMemory(path, LoadBytes(frames, channels, file_channels, guard), status)) return false;

  // The samples, the guard frames after them and the spare sample.
  try {
    const size_t samples = size_t(frames + std::max(guard, 0)) * size_t(channels) + kSpareSamples;
    rec.samples.clear();
    rec.samples.reserve(samples);
    PrefaultForWriting(rec.samples.data(), samples * sizeof(float));
    rec.samples.assign(samples, 0.0f);
  } catch (const std::exception&) {  // bad_alloc or length_error
    status = kTextAllocationError;
    return false;
  }
  try {
    ReadSamples(*file.decoder, rec, file_channels);
  } catch (const std::bad_alloc&) {
    status = Fill(kTextOutOfMemory, {path});
    return false;
  } catch (const std::exception& e) {
    status = Fill(kTextCouldNotRead, {e.what(), path});
    return false;
  } catch (...) {
    status = Fill(kTextInternalError, {path});
    return false;
  }
  file = audio::Soundfile{};  // closes the file

  if (const int64_t replaced = ReplaceNonFinite(rec); replaced > 0) {
    notice = Fill(kTextReplacedSamples, {path, std::to_string(replaced)});
  }
  FillGuard(rec, guard);
  std::string error;
  if (!BuildAmplitudeTable(rec, &error)) {
    status = error;
    return false;
  }
  SetRateConstants(rec, output_rate());
  if (make_overviews_) rec.overview = WaveformOverview::Of(rec);
  return true;
}

void SoundTable::set_output_rate(uint32_t rate) {
  std::lock_guard<std::mutex> lock(table_mutex_);
  output_rate_.store(rate);
  for (Sound& sound : records_) {
    if (!sound.loading && sound.frame_rate > 0) SetRateConstants(sound, rate);
  }
}

void SoundTable::SoundLoaderThread(Sound* record, int stream) {
  std::string status;
  std::string notice;
  bool ok = false;
  try {
    ok = LoadRecord(*record, status, notice);
  } catch (const std::bad_alloc&) {
    status = Fill(kTextOutOfMemory, {record->path});
    ok = false;
  } catch (...) {
    // Nothing may escape the thread (a memory-status function that throws,
    // say); the load fails like a read error.
    status = Fill(kTextInternalError, {record->path});
    ok = false;
  }
  std::vector<Sound> graveyard;
  {
    std::lock_guard<std::mutex> lock(table_mutex_);
    if (ok) {
      record->use_count = record->use_count > 0 ? record->use_count + 1 : 1;
      record->loading = false;
      // The rate may have changed while the file was read.
      SetRateConstants(*record, output_rate());
    } else {
      Clear(*record, graveyard);  // also clears the loading mark
      record->use_count = -1;
    }
  }
  graveyard.clear();
  if (ok) {
    host_.PostSoundLoaded(stream, record);
    if (!notice.empty()) host_.PostNotice(notice);
  } else {
    host_.PostLoadFailed(status);
  }
}

void SoundTable::AttachSound(int stream, Sound* sound) {
  if (sound == nullptr || stream < 0 || stream >= streams_.count()) return;
  Stream& s = streams_[stream];
  int32_t previous_state;
  {
    std::lock_guard<std::mutex> lock(render_lock_);
    previous_state = s.state;
    s.state = kStreamReplacingSound;
  }
  host_.StreamStateChanged(stream);
  host_.SetSoundfileFolder(DirectoryOf(sound->path));
  host_.AddRecentFile(sound->path);

  std::vector<Sound> graveyard;
  {
    std::scoped_lock lock(render_lock_, table_mutex_);
    Sound* previous = s.sound;
    if (previous == sound) {
      // The lookup counted this stream again; it still uses the sound once.
      if (sound->use_count > 1) sound->use_count -= 1;
    } else if (previous != nullptr && !previous->builtin) {
      previous->use_count -= 1;
      if (previous->use_count == 0 && previous->live_grains == 0) {
        if (previous->sample_count() > kCachedSoundLimit) {
          Clear(*previous, graveyard);
        } else {
          previous->use_count = -1;  // stays cached
        }
      }
    }
    sound->name = NameOf(sound->path);
    s.sound = sound;
    s.input_mask = sound->channels == 2 ? kInputBoth : kInputLeft;
    s.state = previous_state;
  }
  graveyard.clear();
  host_.StreamStateChanged(stream);
  host_.StreamSoundChanged(stream);
}

}  // namespace kornmill
