// Every binding of (window, control, event) to its handler.
#pragma once

#include <functional>

#include "editor/editor.h"

namespace tilvane {

// Every handler runs through one of these: running out of memory (a huge
// file picked by mistake, a group too large to hold) ends the command with a
// message box, never the program with its unsaved work. Whatever the handler
// had not yet replaced stays as it was. The second gives `onFailure` then.
void Guarded(Editor& editor, const std::function<void()>& handler);
bool Guarded(Editor& editor, const std::function<bool()>& handler, bool onFailure);

void BindMainWindowEvents(Editor& editor);
void BindExportDialogEvents(Editor& editor);

}  // namespace tilvane
