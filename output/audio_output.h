// Real-time audio output: the block ring, Play/Stop/Soft Stop, the device hand-over and recording.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "output/block_writer.h"
#include "output/output_config.h"
#include "output/output_device.h"
#include "output/output_view.h"

namespace kornmill {

class Engine;
class StreamTable;
class BlockRing;
class OutputRecorder;

// The ring could not be allocated (after the fatal-error box was shown).
class OutputBufferError : public std::runtime_error {
 public:
  OutputBufferError();
};

// Who asked for play (TogglePlay / StartPlay sources).
inline constexpr int kPlayFromButton = 1;       // main window "&Play" or Escape
inline constexpr int kPlayFromGesture = 2;      // gesture window's Play button
inline constexpr int kPlayFromMidi = 4;         // a MIDI note
inline constexpr int kPlayFromTestPlay = 1031;  // "&Test Play" in the options dialog

// Called before every block render, on the main thread under the render lock
// (the offline renderer applies its timed events here).
class BlockObserver {
 public:
  virtual ~BlockObserver() = default;
  virtual void BeforeBlock() = 0;
};

// Told of every block just rendered, on the main thread under the render lock
// (the sound view publishes what it draws here). Must not allocate, block or throw.
class BlockListener {
 public:
  virtual ~BlockListener() = default;
  // `block`: frames × channels floats, as they go to the device.
  virtual void BlockRendered(const float* block, int frames, int channels) = 0;
};

// The audio output. Everything except SendBlock runs on the main thread.
class AudioOutput final : public BlockSource {
 public:
  AudioOutput(Engine& engine, StreamTable& streams, OutputView& view, MainThreadWaker& waker);
  ~AudioOutput() override;
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Optional parts; set them before InitAudioOutput. Without a provider only
  // the null device is there (MakeSystemDevices gives the sound cards); without a
  // writer factory recording uses the sound-file library's WAV writer; without
  // a key query the Q key is never down.
  void set_device_provider(std::unique_ptr<DeviceProvider> provider);
  void set_writer_factory(WriterFactory factory);
  void set_key_state(std::function<bool()> q_key_down);
  void set_block_observer(BlockObserver* observer);
  void set_block_listener(BlockListener* listener) { listener_ = listener; }

  OutputConfig& config() { return config_; }
  const OutputConfig& config() const { return config_; }

  // Start-up, after the settings are read: device count, selection check,
  // ring, folders (the stored "Soundfile out folder" / "Soundfile in folder",
  // else "SFDIR" / "SSDIR", else the program's folder).
  void InitAudioOutput(std::string_view stored_out_folder = {},
                       std::string_view stored_in_folder = {});
  // (Re)allocates the ring from the configured block size and channels; only
  // while idle. Also gives the engine its output format. When memory runs out
  // it shows "Could not allocate output buffer memory" (title "Fatal error")
  // and throws OutputBufferError; the program then shuts down.
  void AllocateOutputBuffers();
  // Rebuilds what is made from the configuration after it changed (the
  // options dialog's OK and Cancel, the stereo command): stops playing first
  // (the play buttons show it), then the output format, the rate constants of
  // every sound and the ring.
  void Reconfigure();
  // Command 40032: stereo output on or off, then Reconfigure.
  void ToggleStereo();

  // Play / Stop. Sources are the kPlayFrom… values.
  void TogglePlay(int source);
  bool StartPlay(int source);
  void SoftStop();
  void StopPlay();
  // StopPlay, and the play buttons show it.
  void StopAndShowStopped();
  // Renders the block at the fill index when fewer than 4 are queued.
  void FillBlock();
  // The main thread's answer to every block-done wake-up.
  void OnBlockDone(int index);
  // Device thread: converts the oldest queued block into the device buffer
  // (silence and an underrun when none is queued) and wakes the main thread.
  void SendBlock(int16_t* buffer, unsigned frames) override;
  // Device thread: the device went away; wakes the main thread, whose next
  // OnBlockDone stops play and says why.
  void DeviceLost() override;
  // Shows the underrun line when there were more than 2, then clears both counters.
  void ReportUnderruns();

  // Recording: the record buttons, the next file name, the per-block write.
  void ToggleRecord();
  // Records the next play from its first block into `path` (the offline
  // renderer). False, with the reason shown, when the file cannot be created.
  bool RecordNextPlay(const std::string& path);
  // Builds the path of the next output file into `path`; returns its length.
  int MakeOutputFileName(std::string& path);
  void WriteRecordedBlock(const float* block);
  void CloseOutputFile();
  // When no file counter was stored (a first run, or the settings lost):
  // numbering goes on after the highest numbered file already in the output
  // folder, so that no earlier recording is overwritten.
  void ContinueAfterExistingFiles();
  // Output soundfile width in bytes: 2, 3 or 4 (menu 40027 .. 40029).
  void SetSampleWidth(int bytes);

  const std::string& output_folder() const { return output_folder_; }
  // A chosen folder; a trailing '/' is removed.
  void set_output_folder(std::string_view folder);
  const std::string& source_folder() const { return source_folder_; }
  // The output file being written (empty when none is open) and the seconds
  // of sound it holds.
  const std::string& recording_path() const;
  double recorded_seconds() const;

  // Every output device for the options dialog.
  std::vector<DeviceEntry> ListDevices();

  bool playing() const { return playing_; }
  bool stopping() const { return stopping_; }
  bool device_open() const { return device_open_; }
  bool recording() const;
  // Test Play in the options dialog plays without recording: it clears the
  // flag and restores it afterwards. Recording stays off without an open file.
  void set_recording(bool on);
  // Play was started while the gesture window was open, or the window opened
  // while playing: the gesture pad's mix is live until play stops.
  bool gesture_active() const { return gesture_active_; }
  // The gesture window opened.
  void GestureWindowOpened() {
    if (playing_) gesture_active_ = true;
  }

  // Counters; the device thread changes them, any thread may read them.
  int32_t blocks_played() const { return blocks_played_.load(std::memory_order_relaxed); }
  int32_t underruns() const { return underruns_.load(std::memory_order_relaxed); }
  int queued() const;
  int fill_index() const;
  // Float block i of the ring (frames × channels samples).
  const float* float_block(int i) const;
  const int16_t* int16_block(int i) const;

  // Held while a block is rendered; the sound loader takes it while it
  // replaces a stream's sound. Any thread.
  std::mutex& render_lock() { return render_lock_; }

 private:
  // Start-up check of the stored device selection (warnings as it changes it).
  void CheckSelection();
  bool OpenDevice();
  // The device imposed its own rate or block size (request); false when
  // Kornmill cannot render at it (the reason has been shown).
  bool FollowDevice(const StreamRequest& request, const char* title);
  // An open output file whose rate or channels no longer match the output.
  void FitRecording();
  // The list text of a selection, also of one that is gone.
  std::string DeviceLabel(int32_t selection);
  void SetPlayButtons(std::string_view text, bool checked);
  void CheckDeviceLost();

  Engine& engine_;
  StreamTable& streams_;
  OutputView& view_;
  MainThreadWaker& waker_;
  OutputConfig config_;
  std::unique_ptr<DeviceProvider> provider_;
  std::unique_ptr<OutputDevice> device_;
  std::unique_ptr<BlockRing> ring_;
  std::unique_ptr<OutputRecorder> recorder_;
  std::function<bool()> q_key_down_;
  BlockObserver* observer_ = nullptr;
  BlockListener* listener_ = nullptr;
  std::string output_folder_;
  std::string source_folder_;

  bool playing_ = false;
  bool stopping_ = false;
  bool device_open_ = false;
  bool gesture_active_ = false;
  bool record_armed_ = false;
  bool silence_noticed_ = false;  // the null-device notice is shown once per run
  int device_channels_ = 2;  // set before the device starts; read by SendBlock
  std::atomic<int32_t> blocks_played_{0};
  std::atomic<int32_t> underruns_{0};
  std::mutex render_lock_;
  std::mutex callback_lock_;
};

}  // namespace kornmill
