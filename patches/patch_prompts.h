// The questions, warnings and the bank-file chooser the bank commands need from the user.
#pragma once

#include <string>
#include <string_view>

namespace kornmill {

// The window answers with its message boxes; tests answer from a script.
// Main thread only.
class PatchPrompts {
 public:
  enum Answer { kYes, kNo, kCancel };

  virtual ~PatchPrompts() = default;
  // A yes/no/cancel box.
  virtual Answer AskYesNoCancel(std::string_view title, std::string_view text) = 0;
  // An OK/Cancel box; true for OK.
  virtual bool AskOkCancel(std::string_view title, std::string_view text) = 0;
  // A warning box with an OK button.
  virtual void ShowWarning(std::string_view title, std::string_view text) = 0;
  // The patch-bank file chooser, starting in `folder`; empty when cancelled.
  virtual std::string ChooseBankFile(std::string_view folder) = 0;
};

}  // namespace kornmill
