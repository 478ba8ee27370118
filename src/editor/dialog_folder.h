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

// RunFileDialog, started in DialogStartFolder unless the dialog names its own
// initialDirectory (which is left as it was); a confirmed choice makes its
// folder the one the next dialog starts in.
bool RunFileDialog(Editor& editor, CommonDialog& dialog);

}  // namespace tilvane
