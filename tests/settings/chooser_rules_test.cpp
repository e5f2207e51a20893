// The choosers' kinds, titles and filter lists.
#include <gtest/gtest.h>

#include "settings/chooser_rules.h"

namespace kornmill {
namespace {

std::vector<std::string> Texts(const std::vector<FileFilter>& filters) {
  std::vector<std::string> texts;
  for (const FileFilter& f : filters) texts.push_back(f.Text());
  return texts;
}

TEST(ChooserRulesTest, OneGroupBecomesOneFilterBeforeAllFiles) {
  const std::vector<FileFilter> filters = BuildFileFilters("wav; aif; aiff; aifc");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.wav", "*.aif", "*.aiff", "*.aifc"}));
  EXPECT_EQ(filters[0].Text(), "WAV files (*.wav *.aif *.aiff *.aifc)");
  EXPECT_EQ(filters[1].Text(), "All files (*)");
}

TEST(ChooserRulesTest, GroupsTypeNamesAndTheAllFilesToken) {
  const FileTypeName names = [](std::string_view ext) {
    return ext == "kpb" ? std::string("Kornmill patch bank") : std::string();
  };
  EXPECT_EQ(Texts(BuildFileFilters(" kpb ,txt;md, *.*", names)),
            (std::vector<std::string>{"Kornmill patch bank (*.kpb)", "TXT files (*.txt *.md)",
                                      "All files (*)", "All files (*)"}));
  EXPECT_EQ(Texts(BuildFileFilters("")), (std::vector<std::string>{"All files (*)"}));
}

TEST(ChooserRulesTest, TitlesAndKinds) {
  EXPECT_EQ(ChooserTitle(ChooserMode::kFolder, "Soundfile"), "Select Soundfile Folder");
  EXPECT_EQ(ChooserTitle(ChooserMode::kOpen, "Sound file"), "Open Sound file File");
  EXPECT_EQ(ChooserTitle(ChooserMode::kSave, "Kornmill session"), "Save Kornmill session As");
  EXPECT_EQ(ChooserTitle(ChooserMode::kOpenSeveral, "Sound file"), "Open Sound file Files");

  const ChooserKindInfo& sound = KindInfo(FileKind::kSoundfile);
  EXPECT_STREQ(sound.title_word, "Sound file");
  EXPECT_EQ(sound.folder, ChooserFolder::kSource);
  EXPECT_EQ(BuildFileFilters(sound.extensions)[0].patterns,
            (std::vector<std::string>{"*.wav", "*.aif", "*.aiff", "*.aifc", "*.flac", "*.ogg",
                                      "*.opus", "*.mp3"}));
  EXPECT_EQ(KindInfo(FileKind::kOpenPatchBank).mode, ChooserMode::kOpen);
  EXPECT_EQ(KindInfo(FileKind::kSavePatchBank).mode, ChooserMode::kSave);
  EXPECT_EQ(KindInfo(FileKind::kSavePatchBank).folder, ChooserFolder::kPatches);
  EXPECT_STREQ(KindInfo(FileKind::kOpenSession).extensions, "ksf");
  EXPECT_EQ(KindInfo(FileKind::kSaveSession).folder, ChooserFolder::kSession);
}

}  // namespace
}  // namespace kornmill
