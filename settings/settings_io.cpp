// ReadSettings, WriteSettings and WriteSoundOptions over the registry wrapper.
#include "settings/settings_io.h"

#include "resources/ids.h"
#include "resources/strings.h"
#include "settings/file_list.h"
#include "settings/registry.h"
#include "settings/settings_packing.h"

namespace kornmill {

namespace {

constexpr unsigned kReadWrite = Registry::kRead | Registry::kWrite;
constexpr uint32_t kDefaultStartupLogin = 1;
constexpr uint32_t kDefaultMidiMonitor = 3;

std::string_view Name(int id) {
  return LoadText(id);
}

int32_t Signed(uint32_t word) {
  return static_cast<int32_t>(word);
}

// Opens the user's key: the base key, then "Users\<login>\" when a login is set.
void OpenUserKey(Registry& reg, std::string_view login) {
  reg.Open(LoadText(kSetBaseKey), kReadWrite);
  if (!login.empty()) reg.EnterSubkey("Users\\" + std::string(login) + "\\", kReadWrite);
}

void ReadDevicesAndBuffers(Registry& reg, bool version_present, StoredSettings& s) {
  UnpackSelectedDevices(
      reg.ReadNumber(Name(kSetSelectedDevices), static_cast<uint32_t>(kDefaultOutputDevice)),
      version_present, s);
  s.sample_rate = CheckedSampleRate(
      reg.ReadNumber(Name(kSetSampleRate), static_cast<uint32_t>(kDefaultSampleRate)));
  if (version_present) {
    s.frames_per_block =
        UnpackSoundBuffers(reg.ReadNumber(Name(kSetSoundBuffers), kDefaultSoundBuffers));
  }
}

void ReadMidi(Registry& reg, StoredSettings& s) {
  s.midi_channel = Signed(reg.ReadNumber(Name(kSetMidiInputChannel), 0));
  UnpackMidiMonitor(reg.ReadNumber(Name(kSetMidiMonitor), kDefaultMidiMonitor), s);
  for (int i = 0; i < kStoredResponseRows; ++i) {
    const uint32_t fallback = i == 0 ? kStoredNoteResponse : 0;
    s.midi_response[i] = reg.ReadNumber(Name(kSetFirstMidiResponse + i), fallback);
  }
}

void ReadFoldersAndInput(Registry& reg, StoredSettings& s) {
  s.soundfile_in_folder = reg.ReadText(Name(kSetSoundfileInFolder));
  s.soundfile_out_folder = reg.ReadText(Name(kSetSoundfileOutFolder));
  SoundInputSettings& in = s.sound_input;
  in.selected_device = Signed(reg.ReadNumber(kValueSoundInDevice, 0));
  in.frame_rate = Signed(reg.ReadNumber(kValueSoundInRate, 44100));
  in.channels = Signed(reg.ReadNumber(kValueSoundInChannels, 2));
  in.frame_count = Signed(reg.ReadNumber(kValueSoundInFrames, 1024));
  in.app_buffer = Signed(reg.ReadNumber(kValueSoundInBuffer, 300));
}

// The values in their stored order; each takes effect as it is read.
void ReadValues(Registry& reg, StoredSettings& s, SettingsReadResult& result) {
  ReadDevicesAndBuffers(reg, result.version_present, s);
  if (reg.ValueExists(Name(kSetSoundOptions))) {
    UnpackSoundOptions(reg.ReadNumber(Name(kSetSoundOptions), kDefaultSoundOptions), s);
    result.file_counter_read = true;
  } else {
    UnpackSoundOptions(kDefaultSoundOptions, s);
  }
  s.max_count = CheckedMaxCount(
      reg.ReadNumber(Name(kSetSoundfileMaxCount), static_cast<uint32_t>(s.max_count)));
  s.render_threads = CheckedRenderThreads(
      reg.ReadNumber(kValueRenderThreads, static_cast<uint32_t>(kDefaultRenderThreads)));
  ReadMidi(reg, s);
  ReadFoldersAndInput(reg, s);
}

void WriteValues(Registry& reg, const StoredSettings& s) {
  reg.WriteText(kValueVersion, BuildDateText());
  reg.WriteNumber(Name(kSetSelectedDevices), PackSelectedDevices(s.output_device, s.midi_device));
  reg.WriteNumber(Name(kSetSampleRate), static_cast<uint32_t>(s.sample_rate));
  reg.WriteNumber(Name(kSetSoundBuffers), PackSoundBuffers(s.frames_per_block));
  reg.WriteNumber(Name(kSetSoundOptions), PackSoundOptions(s));
  reg.WriteNumber(Name(kSetSoundfileMaxCount), static_cast<uint32_t>(s.max_count));
  reg.WriteNumber(kValueRenderThreads, static_cast<uint32_t>(s.render_threads));
  reg.WriteNumber(Name(kSetMidiInputChannel), static_cast<uint32_t>(s.midi_channel));
  reg.WriteNumber(Name(kSetMidiMonitor), PackMidiMonitor(s));
  // Row 0 is always written (0 is a setting of its own, not "the default");
  // an empty expression row is removed, so that a cleared row stays cleared.
  for (int i = 0; i < kStoredResponseRows; ++i) {
    if (i == 0 || s.midi_response[i] != 0) {
      reg.WriteNumber(Name(kSetFirstMidiResponse + i), s.midi_response[i]);
    } else {
      reg.DeleteValue(Name(kSetFirstMidiResponse + i));
    }
  }
  reg.WriteText(Name(kSetSoundfileInFolder), s.soundfile_in_folder);
  reg.WriteText(Name(kSetSoundfileOutFolder), s.soundfile_out_folder);
  const SoundInputSettings& in = s.sound_input;
  reg.WriteNumber(kValueSoundInDevice, static_cast<uint32_t>(in.selected_device));
  reg.WriteNumber(kValueSoundInRate, static_cast<uint32_t>(in.frame_rate));
  reg.WriteNumber(kValueSoundInChannels, static_cast<uint32_t>(in.channels));
  reg.WriteNumber(kValueSoundInFrames, static_cast<uint32_t>(in.frame_count));
  reg.WriteNumber(kValueSoundInBuffer, static_cast<uint32_t>(in.app_buffer));
}

}  // namespace

std::string BuildDateText() {
  return __DATE__;
}

std::string UserKeyPath(std::string_view login) {
  std::string path(LoadText(kSetBaseKey));
  if (!login.empty()) path += "Users\\" + std::string(login) + "\\";
  return path;
}

uint32_t ReadDoStartupLogin(RegistryStore& store) {
  try {
    Registry reg(store);
    reg.Open(LoadText(kSetBaseKey), Registry::kRead);
    const uint32_t flag = reg.ReadNumber(Name(kSetDoStartupLogin), kDefaultStartupLogin);
    reg.Close();
    return flag;
  } catch (const RegistryError&) {
    return kDefaultStartupLogin;
  }
}

SettingsReadResult ReadSettings(RegistryStore& store, StoredSettings& s, FileList* recent,
                                std::string_view login) {
  SettingsReadResult result;
  try {
    if (recent) recent->Load(store, UserKeyPath(login));
    Registry reg(store);
    reg.Open(LoadText(kSetBaseKey), kReadWrite);
    result.version_present = !reg.ReadText(kValueVersion).empty();
    const std::string damage = reg.Damage();
    if (!login.empty()) {
      const std::string user = "Users\\" + std::string(login) + "\\";
      if (!reg.SubkeyExists(user)) {
        reg.Close();
        WriteSettings(store, s, login);
        return result;
      }
      reg.EnterSubkey(user, kReadWrite);
    }
    ReadValues(reg, s, result);
    reg.Close();
    if (!damage.empty()) result.error = damage;
  } catch (const RegistryError& e) {
    result.error = e.Describe();
  }
  // The response code never sees a row it cannot use, whatever was read.
  s.midi_response = CleanResponseRows(s.midi_response);
  return result;
}

bool WriteSettings(RegistryStore& store, const StoredSettings& s, std::string_view login) {
  try {
    Registry reg(store);
    OpenUserKey(reg, login);
    WriteValues(reg, s);
    reg.Close();
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

bool WriteSoundOptions(RegistryStore& store, const StoredSettings& s, std::string_view login) {
  try {
    Registry reg(store);
    OpenUserKey(reg, login);
    reg.WriteNumber(Name(kSetSoundOptions), PackSoundOptions(s));
    reg.Close();
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

namespace {
constexpr std::string_view kSoundViewValue = "Sound view";
}  // namespace

bool ReadSoundViewShown(RegistryStore& store, std::string_view login) {
  try {
    Registry reg(store);
    reg.Open(LoadText(kSetBaseKey), Registry::kRead);
    if (!login.empty()) reg.EnterSubkey("Users\\" + std::string(login) + "\\", Registry::kRead);
    const bool shown = reg.ReadNumber(kSoundViewValue, 0) != 0;
    reg.Close();
    return shown;
  } catch (const RegistryError&) {
    return false;
  }
}

bool WriteSoundViewShown(RegistryStore& store, bool shown, std::string_view login) {
  try {
    Registry reg(store);
    OpenUserKey(reg, login);
    reg.WriteNumber(kSoundViewValue, shown ? 1 : 0);
    reg.Close();
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

std::string ReadFolderHistory(RegistryStore& store, std::string_view fallback) {
  try {
    Registry reg(store);
    reg.Open(kKeyFolderHistory, kReadWrite);
    std::string folder = reg.ReadText(kValueFolderHistory);
    reg.Close();
    if (!folder.empty()) return folder;
  } catch (const RegistryError&) {
  }
  return std::string(fallback);
}

bool WriteFolderHistory(RegistryStore& store, std::string_view folder) {
  try {
    Registry reg(store);
    reg.Open(kKeyFolderHistory, kReadWrite);
    reg.WriteText(kValueFolderHistory, folder);
    reg.Close();
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

}  // namespace kornmill
