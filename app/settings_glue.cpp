// Settings at start-up and exit: the stored record against the output configuration.
#include "app/settings_glue.h"

#include "midi/midi_config.h"
#include "engine/engine.h"
#include "output/audio_output.h"
#include "settings/qsettings_store.h"
#include "settings/registry_error.h"
#include "settings/settings_io.h"

namespace kornmill {

static_assert(kMaxRenderThreadsSetting == Engine::kMaxRenderThreads);

SettingsGlue::SettingsGlue(std::shared_ptr<RegistryStore> store)
    : store_(store ? std::move(store) : std::make_shared<QSettingsStore>()) {}

QString SettingsGlue::ReadAtStart() {
  // Read for the login that this program does not offer.
  (void)ReadDoStartupLogin(*store_);
  const SettingsReadResult result = ReadSettings(*store_, stored_, &recent_);
  file_counter_read_ = result.file_counter_read;
  if (result.error.empty()) return {};
  return QString::fromUtf8(kTextReadFailed) + QStringLiteral("\n\n") +
         QString::fromStdString(result.error);
}

void SettingsGlue::ApplyTo(OutputConfig& c) const {
  const StoredSettings& s = stored_;
  c.selected_device = s.output_device;
  c.sample_rate = s.sample_rate;
  c.frames_per_block = s.frames_per_block;
  c.stereo = s.stereo;
  c.soft_stop = s.soft_stop;
  c.reset_loop = s.reset_loop;
  c.numbered_files = s.numbered_files;
  c.sample_width = s.sample_width;
  c.one_file_per_stream = s.one_file_per_stream;
  c.file_counter = s.file_counter;
  c.max_count = s.max_count;
  c.render_threads = s.render_threads;
}

void SettingsGlue::ApplyTo(MidiConfig& c) const {
  const StoredSettings& s = stored_;
  c.device = s.midi_device < 0 ? kNoMidiDevice : s.midi_device;
  c.channel = s.midi_channel;
  c.move_sliders = s.midi_move_sliders;
  c.monitor = s.midi_monitor_input;
  c.relative_fine = s.midi_relative_fine;
  static_assert(std::tuple_size_v<ResponseWords> == kStoredResponseRows);
  for (int i = 0; i < kStoredResponseRows; ++i) c.response[i] = s.midi_response[i];
}

void SettingsGlue::TakeFrom(const MidiConfig& c) {
  StoredSettings& s = stored_;
  s.midi_device = c.device < 0 ? -1 : c.device;
  s.midi_channel = c.channel;
  s.midi_move_sliders = c.move_sliders;
  s.midi_monitor_input = c.monitor;
  s.midi_relative_fine = c.relative_fine;
  for (int i = 0; i < kStoredResponseRows; ++i) s.midi_response[i] = c.response[i];
}

void SettingsGlue::TakeFrom(const OutputConfig& c) {
  StoredSettings& s = stored_;
  s.output_device = c.selected_device;
  s.sample_rate = c.sample_rate;
  s.frames_per_block = c.frames_per_block;
  s.stereo = c.stereo != 0;
  s.soft_stop = c.soft_stop != 0;
  s.reset_loop = c.reset_loop != 0;
  s.numbered_files = c.numbered_files != 0;
  s.sample_width = c.sample_width;
  s.one_file_per_stream = c.one_file_per_stream != 0;
  s.file_counter = c.file_counter;
  s.max_count = c.max_count;
  s.render_threads = c.render_threads;
}

void SettingsGlue::WriteAtExit(const AudioOutput& output, const std::string& source_folder) {
  TakeFrom(output.config());
  stored_.soundfile_out_folder = output.output_folder();
  stored_.soundfile_in_folder = source_folder;
  WriteSettings(*store_, stored_);
}

void SettingsGlue::StoreSoundOptions(const OutputConfig& config) {
  TakeFrom(config);
  WriteSoundOptions(*store_, stored_);
}

bool SettingsGlue::sound_view_shown() {
  return ReadSoundViewShown(*store_);
}

void SettingsGlue::StoreSoundViewShown(bool shown) {
  WriteSoundViewShown(*store_, shown);
}

void SettingsGlue::SaveRecentFiles() {
  try {
    recent_.Save(*store_, UserKeyPath());
  } catch (const RegistryError&) {
    // Like the other settings, the list is saved when it can be.
  }
}

std::string SettingsGlue::FolderHistory(const std::string& fallback) {
  return ReadFolderHistory(*store_, fallback);
}

void SettingsGlue::RememberFolder(const std::string& folder) {
  WriteFolderHistory(*store_, folder);
}

}  // namespace kornmill
