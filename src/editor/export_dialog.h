// The export dialog: a preview of the selected image over the fill colour,
// and writing it as a 24-bit BMP file.
#pragma once

#include "editor/editor.h"

namespace tilvane {

void RefreshExportPreview(Editor& editor, Colour fill);

void OnExportCommand(Editor& editor);
void OnIconListDoubleClick(Editor& editor);
void OnIconListCurrentChanged(Editor& editor);
void OnFillColourChanged(Editor& editor);
void OnExportDialogCreated(Editor& editor);
bool OnExportDialogCloseRequest(Editor& editor);
void OnExportDialogClose(Editor& editor);
void OnExportConfirm(Editor& editor);

}  // namespace tilvane
