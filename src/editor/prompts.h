// The only places where a handler waits for the user: message boxes and file
// dialogs. Handlers go through a Prompts object, so that tests can answer in
// order and see every box and dialog that was shown.
#pragma once

#include <optional>

#include "core/text.h"

namespace tilvane {

// What a message box shows and what it answers. The numbers are those of the
// flags word that describes a box: buttons in the low nibble, the icon in
// bits 4 to 7.
enum class BoxButtons { Ok = 0x0, YesNoCancel = 0x3, YesNo = 0x4 };
enum class BoxIcon { None = 0x00, Question = 0x20, Warning = 0x30, Information = 0x40 };
enum class BoxAnswer { Ok = 0, Cancel = 1, Yes = 5, No = 6 };

enum class FileDialogKind { Open = 0, Save = 1 };

// The properties of a common dialog control.
struct CommonDialog {
  FileDialogKind kind = FileDialogKind::Open;
  Text title;
  Text fileName;  // in: the proposed name; out: the chosen full path
  Text filter;    // "description|pattern|description|pattern"
  int initialFilterIndex = 0;
  Text defaultExtension;
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Shows a modal box; returns the button pressed.
  virtual BoxAnswer MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) = 0;
  // Runs a file dialog as `dialog` describes it, showing `startFolder` first
  // (when not empty); the chosen full path, or nothing when the user cancelled.
  virtual std::optional<Text> FileDialog(const CommonDialog& dialog, const Text& startFolder) = 0;
};

// The caption used when none is given.
inline constexpr const char* kDefaultMessageCaption = "信息：";

// Shows `text` in a box under `caption`, kDefaultMessageCaption when none is given.
BoxAnswer ShowMessageBox(Prompts& prompts, const Text& text, BoxButtons buttons, BoxIcon icon,
                         std::optional<Text> caption = std::nullopt);

// Splits a bar-separated filter ("||" appended when missing, then every bar
// ends an element) into (description, pattern) pairs.
struct FilterEntry {
  Text description;
  Text pattern;
};
std::vector<FilterEntry> ParseDialogFilter(const Text& filter);

}  // namespace tilvane
