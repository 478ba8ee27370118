// The main window's own handlers, and loading the editor: both windows built
// from their layouts, the context menu, and the event table.
#pragma once

#include <memory>

#include "editor/editor.h"

namespace tilvane {

// What "tilvane --help" prints, on every platform; a front end may add
// lines of its own.
inline constexpr const char* kCommandLineUsage =
    "Usage: tilvane [FILE]\n"
    "Edits image groups (.qil files): opens FILE when given, as the Open button does.\n"
    "\n"
    "  -h, --help     show this help and end\n"
    "  --version      show the version and end\n";

// Builds the main window and its controls through services.frontEnd, binds
// every event, starts the timer and runs OnMainCreated. The window is not
// shown yet.
std::unique_ptr<Editor> LoadEditor(EditorServices services);

void OnMainCreated(Editor& editor);
void OnMainResized(Editor& editor);
void OnTimerTick(Editor& editor);
void OnMainDestroyed(Editor& editor);
void OnIconListRightClick(Editor& editor, Point screenPosition);
void OnCloseMusicCommand(Editor& editor);

// Creates the export dialog, owned by the main window, hidden, unless it
// exists already.
void LoadExportDialog(Editor& editor);

// Shows the menu "文件" as a context menu at the given screen position.
void ShowPopupMenu(Editor& editor, Point screenPosition);

}  // namespace tilvane
