// Loading source sounds into memory: the table of 12 Sound
// records, FindSound, LoadSound, the loader thread, AttachSound and FreeSound.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/sound.h"
#include "controls/stream.h"

namespace audio {
class Decoder;
}

namespace kornmill {

inline constexpr int kSoundRecords = 12;
// A sound released by its last stream stays cached up to this many samples
// (channels × frames); a bigger one is freed at once.
inline constexpr int64_t kCachedSoundLimit = 1050000;
// A sound left while grains still read it (use count 0) is freed by a later
// lookup when it holds more than this many samples.
inline constexpr int64_t kLookupFreeLimit = 2097152;
// Sounds needing more bytes than this (and more than a quarter of the total and
// more than the available memory) ask before loading.
inline constexpr uint64_t kMemoryQuestionBytes = 4194304;
// Files of more than two channels are read through a buffer of at most this
// many bytes (the first two channels are kept).
inline constexpr int64_t kReadChunkBytes = 1048576;

// Everything a load allocates for a sound: the samples, the guard frames and
// the spare sample, the amplitude table, and the read buffer of a file of
// more than two channels. `guard_frames` as GuardFrameCount gives it.
uint64_t LoadBytes(int64_t frames, int channels, int64_t file_channels, int32_t guard_frames);

// Physical memory figures in bytes.
struct MemoryStatus {
  uint64_t total = 0;
  uint64_t available = 0;
};

// MemTotal and MemAvailable (MemFree when MemAvailable is missing) of a
// /proc/meminfo text.
MemoryStatus ParseMeminfo(std::string_view meminfo);
// Applies a cgroup v2 limit: `memory_max` is the text of memory.max ("max" or
// empty: no limit), `memory_current` that of memory.current. The total becomes
// at most the limit, the available memory at most the limit minus the usage.
MemoryStatus ApplyCgroupLimit(MemoryStatus status, std::string_view memory_max,
                              std::string_view memory_current);
// The system's figures: /proc/meminfo, limited by the process's cgroup
// (memory.max of its own cgroup, else /sys/fs/cgroup/memory.max) when one is set.
MemoryStatus ReadSystemMemoryStatus();

// What the loader needs from the application. The Qt application implements
// it on its main window; tests fake it.
class LoaderHost {
 public:
  virtual ~LoaderHost() = default;

  // WM_APP+550: the sound has been loaded for `stream` (the stream that was
  // current when the load began). Called on the loader thread: post it to the
  // main thread, which calls SoundTable::AttachSound(stream, sound).
  virtual void PostSoundLoaded(int stream, Sound* sound) = 0;
  // WM_APP+551: a load failed or was refused; show `text` in status-bar part 1.
  // An empty text means the user chose Cancel in the memory question: the
  // status bar keeps what it shows. Called on the loader thread, or on the
  // main thread inside LoadSound when the load is refused at once.
  virtual void PostLoadFailed(std::string text) = 0;
  // The OK/Cancel box (AskQuestion) with title `title`. Called on
  // the loader thread, which waits until the main thread has the answer;
  // returns true for OK.
  virtual bool AskQuestion(const std::string& title, const std::string& text) = 0;

  // AttachSound's steps on the application side, called on the main thread.
  // The stream's state changed (relabel its tab; SetStreamState's second half).
  virtual void StreamStateChanged(int /*stream*/) {}
  // The source-soundfile folder ("Soundfile in folder" setting) becomes
  // `folder` (the sound's directory without a trailing separator).
  virtual void SetSoundfileFolder(const std::string& /*folder*/) {}
  // Add the path to the recent-files list.
  virtual void AddRecentFile(const std::string& /*path*/) {}
  // The stream's sound changed: refresh its display (SelectStream).
  virtual void StreamSoundChanged(int /*stream*/) {}
  // A notice about a sound that did load (samples that had to be replaced);
  // show `text` in status-bar part 1 after the sound is attached. Called on
  // the loader thread after PostSoundLoaded.
  virtual void PostNotice(std::string /*text*/) {}
};

// Status texts of the loader.
inline constexpr const char* kTextCouldNotOpen = "%s. Could not open %s";
inline constexpr const char* kTextCouldNotRead = "Error: %s - could not read %s";
inline constexpr const char* kTextInternalError = "Internal error - could not read %s";
inline constexpr const char* kTextExceedsTotal =
    "%s (%u kB) exceeds total physical memory (%u kB)!";
inline constexpr const char* kTextMayBeLarger =
    "%s (%u kB) may be larger than available memory (%u kB)\n\nYou may try to load it into "
    "memory.\nIf you try to load too large a file into memory, Sifter will probably lock "
    "up.\nClick OK to load into memory, Cancel to skip file.";
inline constexpr const char* kTextAllocationError =
    "Memory allocation error - sound file too large";
inline constexpr const char* kQuestionTitle = "File Information";
// Choices of this loader:
inline constexpr const char* kTextAllInUse = "All 12 sound records are in use - could not load %s";
inline constexpr const char* kTextOutOfMemory = "Not enough memory to load %s";
inline constexpr const char* kTextReplacedSamples =
    "%s: %u samples that were not numbers (NaN or infinite) were replaced by silence";
inline constexpr const char* kTextBeingLoaded = "%s is being loaded already";

// The table of loaded sounds and the loader.
//
// Threads: LoadSound, FindSound and AttachSound run on the main (interface)
// thread; each load runs on a std::thread of its own. The render lock (owned
// by the audio output) is held while a stream's sound is replaced and while a
// lookup reads and frees records, since the renderer counts live grains under
// it. A table lock guards the use counts and the `loading` marks between the
// main thread and the loader threads; lock order: render lock, then table lock.
//
// Further choices:
// - A record being loaded is marked (Sound::loading). A lookup neither matches,
//   ages, frees nor chooses it; a second load of the same path while the first
//   is running is refused with kTextBeingLoaded (the first load attaches it).
// - When no record is free or cached (all 12 in use, being loaded, or still
//   read by grains) the load is refused with kTextAllInUse; nothing in use is
//   freed.
// - The lookup prefers an empty record to a cached sound wherever it stands in
//   the table ("an empty record is preferred, then the cached sound idle for the
//   most lookups"); the literal step 3 would let a cached sound displace an
//   earlier empty record as candidate.
// - Loading a sound into the stream that already plays it does not raise its
//   use count (the lookup's extra count is taken back when attaching).
class SoundTable {
 public:
  using MemoryStatusFn = std::function<MemoryStatus()>;

  SoundTable(StreamTable& streams, std::mutex& render_lock, LoaderHost& host,
             MemoryStatusFn memory_status = ReadSystemMemoryStatus);
  // Waits for every loader thread. The host must still answer AskQuestion
  // (or answer Cancel) while this runs.
  ~SoundTable();
  SoundTable(const SoundTable&) = delete;
  SoundTable& operator=(const SoundTable&) = delete;

  // Loads `path` for the current stream: attaches at once when the sound is
  // loaded, else starts a loader thread and returns. Returns 1.
  int LoadSound(const std::string& path);

  // The lookup: the record of `path` with its use count raised,
  // or a freed record (use count 0) to load it into. Null when no record can
  // be given without freeing a sound in use (see above).
  Sound* FindSound(const std::string& path);

  // Makes `sound` the source of stream `stream` (on WM_APP+550, and from
  // LoadSound for a loaded sound).
  void AttachSound(int stream, Sound* sound);

  // Frees samples, path and amplitude table and clears every field. Never
  // touches the built-in sine.
  static void FreeSound(Sound& sound);

  // The worker's entry point: reads the record's path into it and posts the
  // result. Public so that tests can run it on their own thread.
  void SoundLoaderThread(Sound* record, int stream);

  // The output frame rate that onset unit and rate ratio are set from (the
  // audio output sets it; read by loader threads). Main thread: a new rate
  // also recomputes them for every loaded sound, the cached ones too, so a
  // sound played later keeps its pitch and grain rate; a sound still loading
  // takes the rate in force when its load completes.
  void set_output_rate(uint32_t rate);
  uint32_t output_rate() const { return output_rate_.load(); }

  // Whether loads also make the waveform overview the sound view draws (yes
  // unless told otherwise); a program without a sound view saves the time.
  // Main thread, before loads start.
  void set_make_overviews(bool make) { make_overviews_ = make; }

  Sound& record(int i) { return records_[size_t(i)]; }
  const Sound& record(int i) const { return records_[size_t(i)]; }
  // Index of a record of this table, or -1.
  int index_of(const Sound* sound) const;

  // Joins every loader thread (tests and shutdown).
  void WaitForLoaders();

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  Sound* FindSoundLocked(const std::string& path, std::vector<Sound>& graveyard);
  // Reads the record's file into it; false with the status text when it
  // cannot, and a notice for a sound that loaded with repairs.
  bool LoadRecord(Sound& record, std::string& status, std::string& notice);
  // The memory check: false (with the status text, empty for Cancel) when
  // the sound must not be loaded.
  bool CheckMemory(const std::string& path, uint64_t need, std::string& status);
  // Reads the first two channels of the file into the record's samples.
  static void ReadSamples(audio::Decoder& decoder, Sound& record, int64_t file_channels);
  void ReapWorkers();

  StreamTable& streams_;
  std::mutex& render_lock_;
  LoaderHost& host_;
  MemoryStatusFn memory_status_;
  std::array<Sound, kSoundRecords> records_{};
  std::mutex table_mutex_;
  std::atomic<uint32_t> output_rate_{44100};
  bool make_overviews_ = true;
  std::mutex workers_mutex_;
  std::vector<Worker> workers_;
};

}  // namespace kornmill
