// The run's stored settings: read at start-up, copied to and from the output, written back.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "settings/file_list.h"
#include "settings/registry_store.h"
#include "settings/stored_settings.h"

namespace kornmill {

class AudioOutput;
struct MidiConfig;
struct OutputConfig;

// Holds the settings record of the run (the values the output and MIDI
// configurations are copied from and back into) and the recent-files list.
// GUI thread only.
class SettingsGlue {
 public:
  // `store` null: the user's settings file.
  explicit SettingsGlue(std::shared_ptr<RegistryStore> store);

  // Start-up: "Do startup login" (read; there is no login), then the recent
  // files and every stored value. Returns the warning to show when the
  // settings could not be read cleanly, else an empty text.
  QString ReadAtStart();
  // Whether the output file counter came from the store; without it the
  // numbering goes on after the files already in the output folder.
  bool file_counter_read() const { return file_counter_read_; }

  // The stored output values into the output configuration (before the
  // output starts).
  void ApplyTo(OutputConfig& config) const;
  // The stored MIDI device, channel, flags and response words into the MIDI
  // configuration (before the input starts, which checks and decodes them).
  void ApplyTo(MidiConfig& config) const;
  // The run's MIDI choices, to be written with the rest at exit.
  void TakeFrom(const MidiConfig& config);
  // Exit: the run's output values and folders are stored with the rest.
  // Fails quietly: the settings stay as they were.
  void WriteAtExit(const AudioOutput& output, const std::string& source_folder);
  // The output file counter moved on: "Sound options" is stored at once.
  void StoreSoundOptions(const OutputConfig& config);
  // Whether the Sound View was open when the program last ended, and storing it.
  bool sound_view_shown();
  void StoreSoundViewShown(bool shown);
  // Shut-down: the recent-files list is stored.
  void SaveRecentFiles();

  // The output folder chooser's history ("SF Folder1").
  std::string FolderHistory(const std::string& fallback);
  void RememberFolder(const std::string& folder);

  StoredSettings& stored() { return stored_; }
  FileList& recent_files() { return recent_; }
  RegistryStore& store() { return *store_; }
  const std::shared_ptr<RegistryStore>& shared_store() const { return store_; }

 private:
  void TakeFrom(const OutputConfig& config);

  std::shared_ptr<RegistryStore> store_;
  StoredSettings stored_;
  FileList recent_;
  bool file_counter_read_ = false;
};

}  // namespace kornmill
