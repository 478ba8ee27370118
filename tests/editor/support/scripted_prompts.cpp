#include "editor/support/scripted_prompts.h"

namespace tilvane::testing {

namespace {

// Buttons and icon as the one flags word they stand for.
std::string Describe(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) {
  const int flags = static_cast<int>(buttons) | static_cast<int>(icon);
  return "box \"" + text + "\" flags " + std::to_string(flags) + " caption \"" + caption + "\"";
}

}  // namespace

void ScriptedPrompts::ExpectBox(Text text, BoxButtons buttons, BoxIcon icon, Text caption, BoxAnswer answer) {
  script_.push_back({ExpectedBox{std::move(text), buttons, icon, std::move(caption), answer}, std::nullopt});
}

void ScriptedPrompts::ExpectDialog(FileDialogKind kind, Text title, std::optional<Text> answer) {
  script_.push_back({std::nullopt, ExpectedDialog{kind, std::move(title), std::move(answer)}});
}

BoxAnswer ScriptedPrompts::MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) {
  shownBoxes.push_back({text, buttons, icon, caption, BoxAnswer::Ok});
  if (script_.empty() || !script_.front().box) {
    failures.push_back("unexpected " + Describe(text, buttons, icon, caption));
    return BoxAnswer::Cancel;
  }
  ExpectedBox expected = *script_.front().box;
  script_.pop_front();
  if (expected.text != text || expected.buttons != buttons || expected.icon != icon || expected.caption != caption) {
    failures.push_back("expected " + Describe(expected.text, expected.buttons, expected.icon, expected.caption) +
                       " but got " + Describe(text, buttons, icon, caption));
  }
  shownBoxes.back().answer = expected.answer;
  return expected.answer;
}

std::optional<Text> ScriptedPrompts::FileDialog(const CommonDialog& dialog, const Text& startFolder) {
  shownDialogs.push_back({dialog, startFolder});
  if (script_.empty() || !script_.front().dialog) {
    failures.push_back("unexpected file dialog \"" + dialog.title + "\"");
    return std::nullopt;
  }
  ExpectedDialog expected = *script_.front().dialog;
  script_.pop_front();
  if (expected.kind != dialog.kind || expected.title != dialog.title) {
    failures.push_back("expected file dialog kind " + std::to_string(static_cast<int>(expected.kind)) + " \"" +
                       expected.title + "\" but got kind " + std::to_string(static_cast<int>(dialog.kind)) + " \"" +
                       dialog.title + "\"");
  }
  return expected.answer;
}

std::vector<std::string> ScriptedPrompts::Problems() const {
  std::vector<std::string> problems = failures;
  for (const Step& step : script_) {
    problems.push_back(step.box ? "box never shown: \"" + step.box->text + "\""
                                : "file dialog never shown: \"" + step.dialog->title + "\"");
  }
  return problems;
}

void ScriptedPrompts::Clear() {
  script_.clear();
  shownBoxes.clear();
  shownDialogs.clear();
  failures.clear();
}

}  // namespace tilvane::testing
