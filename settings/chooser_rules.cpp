// Chooser kinds, titles and filter lists built from extension lists.
#include "settings/chooser_rules.h"

#include <array>
#include <cctype>

namespace kornmill {

namespace {

constexpr const char* kAllFiles = "All files";
constexpr const char* kAllPattern = "*";
constexpr std::string_view kAllToken = "*.*";

constexpr std::array<ChooserKindInfo, 5> kKinds = {{
    {"Sound file", "wav; aif; aiff; aifc; flac; ogg; opus; mp3", ChooserFolder::kSource,
     ChooserMode::kOpen},
    {"Kornmill patch banks", "kpb", ChooserFolder::kPatches, ChooserMode::kOpen},
    {"Kornmill patch banks", "kpb", ChooserFolder::kPatches, ChooserMode::kSave},
    {"Kornmill session", "ksf", ChooserFolder::kSession, ChooserMode::kOpen},
    {"Kornmill session", "ksf", ChooserFolder::kSession, ChooserMode::kSave},
}};

// The parts of `text` between `separator`s, with blanks removed; empty parts skipped.
std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else if (!std::isspace(static_cast<unsigned char>(text[i]))) {
      part += text[i];
    }
  }
  return parts;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

FileFilter GroupFilter(const std::vector<std::string>& group, const FileTypeName& type_name) {
  FileFilter filter;
  for (const std::string& ext : group) {
    filter.patterns.push_back(ext == kAllToken ? std::string(kAllPattern) : "*." + ext);
  }
  const std::string& first = group.front();
  if (first == kAllToken) {
    filter.description = kAllFiles;
  } else {
    filter.description = type_name ? type_name(first) : std::string();
    if (filter.description.empty()) filter.description = Upper(first) + " files";
  }
  return filter;
}

}  // namespace

const ChooserKindInfo& KindInfo(FileKind kind) {
  return kKinds[static_cast<size_t>(kind) - 1];
}

std::string ChooserTitle(ChooserMode mode, std::string_view word) {
  const std::string w(word);
  switch (mode) {
    case ChooserMode::kFolder:
      return "Select " + w + " Folder";
    case ChooserMode::kOpen:
      return "Open " + w + " File";
    case ChooserMode::kSave:
      return "Save " + w + " As";
    case ChooserMode::kOpenSeveral:
      return "Open " + w + " Files";
  }
  return w;
}

std::string FileFilter::Text() const {
  std::string text = description + " (";
  for (size_t i = 0; i < patterns.size(); ++i) text += (i ? " " : "") + patterns[i];
  return text + ")";
}

std::vector<FileFilter> BuildFileFilters(std::string_view extensions,
                                         const FileTypeName& type_name) {
  std::vector<FileFilter> filters;
  for (const std::string& group : Split(extensions, ',')) {
    const std::vector<std::string> exts = Split(group, ';');
    if (!exts.empty()) filters.push_back(GroupFilter(exts, type_name));
  }
  filters.push_back({kAllFiles, {kAllPattern}});
  return filters;
}

}  // namespace kornmill
