// Every binding of (window, control, event) to its handler.
#pragma once

#include "editor/editor.h"

namespace tilvane {

void BindMainWindowEvents(Editor& editor);
void BindExportDialogEvents(Editor& editor);

}  // namespace tilvane
