// The folder a file dialog starts in. The process's working directory is the
// program's own folder, which is where a dialog without a folder would open;
// nobody keeps documents there.
#pragma once

#include "editor/editor.h"

namespace tilvane {

// The folder of the file last chosen in a dialog during this run, else the
// current document's folder, else the home folder; each only while it is an
// existing folder.
Text DialogStartFolder(const Editor& editor);

// Runs the dialog in DialogStartFolder; on confirmation stores the chosen path
// in dialog.fileName, makes its folder the one the next dialog starts in and
// returns true; on cancel returns false and changes nothing.
bool RunFileDialog(Editor& editor, CommonDialog& dialog);

}  // namespace tilvane
