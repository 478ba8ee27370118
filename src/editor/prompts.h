// The only places where a handler waits for the user: message boxes and file
// dialogs. Handlers go through a Prompts object, so that tests can answer in
// order and see every box and dialog that was shown.
#pragma once

#include <optional>

#include "core/text.h"

namespace tilvane {

// Message-box results.
inline constexpr int kResultOk = 0;
inline constexpr int kResultCancel = 1;
inline constexpr int kResultYes = 5;
inline constexpr int kResultNo = 6;

// Message-box flags: buttons in the low nibble, icon in bits 4 to 7.
inline constexpr int kButtonsOk = 0x0;
inline constexpr int kButtonsYesNoCancel = 0x3;
inline constexpr int kButtonsYesNo = 0x4;
inline constexpr int kIconError = 0x10;
inline constexpr int kIconQuestion = 0x20;
inline constexpr int kIconWarning = 0x30;
inline constexpr int kIconInformation = 0x40;

// The properties of a common dialog control.
struct CommonDialog {
  int kind = 0;  // 0 open-file, 1 save-file, 2 font, 3 colour
  Text title;
  Text fileName;  // in: the proposed name; out: the chosen full path
  Text filter;    // "description|pattern|description|pattern"
  int initialFilterIndex = 0;
  Text initialDirectory;
  Text defaultExtension;

  void SetKind(int value) { kind = value < 0 ? 0 : (value > 3 ? 3 : value); }
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Shows a modal box; returns kResultOk, kResultCancel, kResultYes or kResultNo.
  virtual int MessageBox(const Text& text, int flags, const Text& caption) = 0;
  // Runs a file dialog as `dialog` describes it; the chosen full path, or
  // nothing when the user cancelled.
  virtual std::optional<Text> FileDialog(const CommonDialog& dialog) = 0;
};

// The caption used when none is given.
inline constexpr const char* kDefaultMessageCaption = "信息：";

int ShowMessageBox(Prompts& prompts, const Text& text, int flags, std::optional<Text> caption = std::nullopt);
int ShowMessageBox(Prompts& prompts, int number, int flags, std::optional<Text> caption = std::nullopt);
int ShowMessageBox(Prompts& prompts, bool value, int flags, std::optional<Text> caption = std::nullopt);

// Runs the dialog; on confirmation stores the chosen path in dialog.fileName
// and returns true; on cancel returns false and leaves fileName as it was.
bool RunFileDialog(Prompts& prompts, CommonDialog& dialog);

// Splits a bar-separated filter ("||" appended when missing, then every bar
// ends an element) into (description, pattern) pairs.
struct FilterEntry {
  Text description;
  Text pattern;
};
std::vector<FilterEntry> ParseDialogFilter(const Text& filter);

}  // namespace tilvane
