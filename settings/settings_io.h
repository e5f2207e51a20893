// Reading and writing the stored settings: ReadSettings, WriteSettings, WriteSoundOptions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/registry_store.h"
#include "settings/stored_settings.h"

namespace kornmill {

class FileList;

// Value names that have no string-table entry.
inline constexpr const char* kValueVersion = "Version";
inline constexpr const char* kValueSoundInDevice = "soundin.selectedDev";
inline constexpr const char* kValueSoundInRate = "soundin.framerate";
inline constexpr const char* kValueSoundInChannels = "soundin.stereo";
inline constexpr const char* kValueSoundInFrames = "soundin.framecount";
inline constexpr const char* kValueSoundInBuffer = "soundin.appbuffer";
// The patches folder, kept by the patch banks' session (their "Load" moves it).
inline constexpr const char* kValuePatchFolder = "Patch folder";
inline constexpr const char* kKeySessionPatches = "SessionPatches";
// The output folder chooser's history.
inline constexpr const char* kKeyFolderHistory = "Software\\Klangforge\\Kornmill\\DirBrowser\\";
inline constexpr const char* kValueFolderHistory = "SF Folder1";
inline constexpr const char* kValueRenderThreads = "Render threads";

// The warning shown when the settings could not be read (the reason follows
// on a line of its own).
inline constexpr const char* kTextReadFailed =
    "Could not read the settings file - please review program settings";

// The text "Version" is written as: the program's build date ("Nov  7 2010").
std::string BuildDateText();

// The base key, followed by "Users\<login>\" when a login name is set.
std::string UserKeyPath(std::string_view login = {});

// "Do startup login" from the base key; 1 when it is missing or cannot be read.
uint32_t ReadDoStartupLogin(RegistryStore& store);

struct SettingsReadResult {
  bool version_present = false;    // "Version" was stored: settings had been saved
  bool file_counter_read = false;  // "Sound options" was stored and read
  // Empty when everything was read cleanly; otherwise why not. Values read
  // before the failure keep what was read, the others what they had before.
  std::string error;
};

// Reads every stored value into `s` (the recent files first, into `recent`
// when given), applying the masks, defaults and range checks. With a login
// name whose key does not exist yet, the key is made with the current values
// instead. Catches every failure; the result says what happened.
SettingsReadResult ReadSettings(RegistryStore& store, StoredSettings& s, FileList* recent = nullptr,
                                std::string_view login = {});

// Writes every value but "Do startup login"; false when they could not be
// saved (nothing is then changed).
bool WriteSettings(RegistryStore& store, const StoredSettings& s, std::string_view login = {});

// Writes "Sound options" alone (each time the output file counter moves on).
bool WriteSoundOptions(RegistryStore& store, const StoredSettings& s, std::string_view login = {});

// "Sound view": whether the Sound View window was open when the program last
// ended (false when missing or unreadable), and storing it.
bool ReadSoundViewShown(RegistryStore& store, std::string_view login = {});
bool WriteSoundViewShown(RegistryStore& store, bool shown, std::string_view login = {});

// The output folder chooser's history: "SF Folder1" of the "DirBrowser" key,
// `fallback` when it is missing or cannot be read.
std::string ReadFolderHistory(RegistryStore& store, std::string_view fallback);
bool WriteFolderHistory(RegistryStore& store, std::string_view folder);

}  // namespace kornmill
