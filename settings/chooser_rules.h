// The file and folder choosers' rules: the five file kinds, their titles and their filters.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kornmill {

enum class ChooserMode { kFolder, kOpen, kSave, kOpenSeveral };

// Where a chooser starts.
enum class ChooserFolder { kSource, kPatches, kSession };

// The kinds callers ask for by number.
enum class FileKind : int {
  kSoundfile = 1,
  kOpenPatchBank = 2,
  kSavePatchBank = 3,
  kOpenSession = 4,
  kSaveSession = 5,
};

struct ChooserKindInfo {
  const char* title_word;
  // Groups separated by commas; within a group extensions by semicolons.
  const char* extensions;
  ChooserFolder folder;
  ChooserMode mode;
};

// The set-up of a kind. The soundfile kind also lists the compressed formats
// the loader reads (FLAC, Ogg, Opus, MP3) in its one group.
const ChooserKindInfo& KindInfo(FileKind kind);

// "Select <word> Folder", "Open <word> File", "Save <word> As", "Open <word> Files".
std::string ChooserTitle(ChooserMode mode, std::string_view word);

// One entry of a chooser's filter list. Its text is the description with the
// patterns in parentheses, blank-separated as the file dialogs read them.
struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;  // "*.wav", ...; "*" for all files
  std::string Text() const;
};

// The name a file type is known by for an extension without its dot, or
// empty when the system knows none.
using FileTypeName = std::function<std::string(std::string_view extension)>;

// One filter per group of `extensions`: described by the type name of its
// first extension, else that extension in capitals followed by " files"; the
// token "*.*" stands for all files ("All files", pattern "*"). A last entry
// "All files (*)" follows.
std::vector<FileFilter> BuildFileFilters(std::string_view extensions,
                                         const FileTypeName& type_name = {});

}  // namespace kornmill
