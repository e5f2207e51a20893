// The bank commands' questions, warnings and file chooser as the main window's message boxes.
#pragma once

#include "patches/patch_prompts.h"

namespace kornmill {

class MainWindow;

// GUI thread only.
class WindowPatchPrompts : public PatchPrompts {
 public:
  explicit WindowPatchPrompts(MainWindow& window) : window_(window) {}

  Answer AskYesNoCancel(std::string_view title, std::string_view text) override;
  bool AskOkCancel(std::string_view title, std::string_view text) override;
  void ShowWarning(std::string_view title, std::string_view text) override;
  std::string ChooseBankFile(std::string_view folder) override;

 private:
  MainWindow& window_;
};

}  // namespace kornmill
