#include "editor/support/scripted_prompts.h"

namespace tilvane::testing {

namespace {

std::string Describe(const Text& text, int flags, const Text& caption) {
  return "box \"" + text + "\" flags " + std::to_string(flags) + " caption \"" + caption + "\"";
}

}  // namespace

void ScriptedPrompts::ExpectBox(Text text, int flags, Text caption, int answer) {
  script_.push_back({ExpectedBox{std::move(text), flags, std::move(caption), answer}, std::nullopt});
}

void ScriptedPrompts::ExpectDialog(int kind, Text title, std::optional<Text> answer) {
  script_.push_back({std::nullopt, ExpectedDialog{kind, std::move(title), std::move(answer)}});
}

int ScriptedPrompts::MessageBox(const Text& text, int flags, const Text& caption) {
  shownBoxes.push_back({text, flags, caption, 0});
  if (script_.empty() || !script_.front().box) {
    failures.push_back("unexpected " + Describe(text, flags, caption));
    return kResultCancel;
  }
  ExpectedBox expected = *script_.front().box;
  script_.pop_front();
  if (expected.text != text || expected.flags != flags || expected.caption != caption) {
    failures.push_back("expected " + Describe(expected.text, expected.flags, expected.caption) + " but got " +
                       Describe(text, flags, caption));
  }
  shownBoxes.back().answer = expected.answer;
  return expected.answer;
}

std::optional<Text> ScriptedPrompts::FileDialog(const CommonDialog& dialog) {
  shownDialogs.push_back(dialog);
  if (script_.empty() || !script_.front().dialog) {
    failures.push_back("unexpected file dialog \"" + dialog.title + "\"");
    return std::nullopt;
  }
  ExpectedDialog expected = *script_.front().dialog;
  script_.pop_front();
  if (expected.kind != dialog.kind || expected.title != dialog.title) {
    failures.push_back("expected file dialog kind " + std::to_string(expected.kind) + " \"" + expected.title +
                       "\" but got kind " + std::to_string(dialog.kind) + " \"" + dialog.title + "\"");
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
