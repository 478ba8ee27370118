// Prompts that answer from a script, in order, and check every box and dialog
// against what the test expected. Anything unexpected is recorded as a failure.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "editor/prompts.h"

namespace tilvane::testing {

struct ExpectedBox {
  Text text;
  BoxButtons buttons;
  BoxIcon icon;
  Text caption;
  BoxAnswer answer;
};

// A file dialog as it was shown: the control's properties and the folder it started in.
struct ShownDialog : CommonDialog {
  Text startFolder;
};

struct ExpectedDialog {
  FileDialogKind kind;
  Text title;
  std::optional<Text> answer;  // nothing: the user cancels
};

class ScriptedPrompts : public Prompts {
 public:
  void ExpectBox(Text text, BoxButtons buttons, BoxIcon icon, Text caption, BoxAnswer answer = BoxAnswer::Ok);
  void ExpectDialog(FileDialogKind kind, Text title, std::optional<Text> answer);

  BoxAnswer MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) override;
  std::optional<Text> FileDialog(const CommonDialog& dialog, const Text& startFolder) override;

  // Every box and dialog that was shown, in order.
  std::vector<ExpectedBox> shownBoxes;
  std::vector<ShownDialog> shownDialogs;
  // What went differently from the script; empty when all went as expected.
  std::vector<std::string> failures;

  // Failures plus every expectation the run never reached.
  std::vector<std::string> Problems() const;
  void Clear();

 private:
  struct Step {
    std::optional<ExpectedBox> box;
    std::optional<ExpectedDialog> dialog;
  };
  std::deque<Step> script_;
};

}  // namespace tilvane::testing
