// Keeps the sound view: the publisher on the block path, the companion window, its frame timer and the recording status.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "output/audio_output.h"
#include "soundview/snapshot_publisher.h"

namespace kornmill {

class MainWindow;
class SoundViewWindow;
class WaveformOverview;
struct Sound;

// Owned by the main window; GUI thread only, except BlockRendered.
class SoundViewHost : public QObject, public BlockListener {
  Q_OBJECT

 public:
  // Frames a second of the view, and recording-status refreshes a second.
  static constexpr int kFrameMs = 33;
  static constexpr int kRecordingStatusMs = 250;

  explicit SoundViewHost(MainWindow& main);
  ~SoundViewHost() override;
  SoundViewHost(const SoundViewHost&) = delete;
  SoundViewHost& operator=(const SoundViewHost&) = delete;

  // "Sound &View": shows the window, or hides it when it is shown.
  void Toggle();
  void Open();
  void Close();
  bool open() const;
  SoundViewWindow* window() const;
  SnapshotPublisher& publisher() { return publisher_; }

  // Main thread, under the render lock, after each block: publishes the
  // snapshot. Allocates nothing, blocks on nothing.
  void BlockRendered(const float* block, int frames, int channels) override;

  // One frame of the view: the newest snapshot, the sound, the meter.
  void Tick();
  // The status bar's recording field and the record button's mark.
  void UpdateRecordingStatus();
  // The field's text for `path` after `seconds`: "REC name m:ss".
  static QString RecordingText(const std::string& path, double seconds);

  // The click path: "start" (or "length") set as the scrollbar would.
  void SetStart(int value);
  void SetLength(int value);

 private:
  void Create();
  std::shared_ptr<const WaveformOverview> OverviewOf(Sound* sound);

  MainWindow& main_;
  SnapshotPublisher publisher_;
  QPointer<SoundViewWindow> window_;
  QTimer frame_timer_;
  QTimer recording_timer_;
  std::shared_ptr<const WaveformOverview> sine_overview_;
  bool marked_recording_ = false;
};

}  // namespace kornmill
