// The roles screen readers are told for the top-level windows: Qt reports a
// plain widget as a filler, where a reader looks for a frame (the main
// window) or a dialog (a window with an owner).
#pragma once

namespace tilvane::qt {

// Installs the factory that gives them (once; later calls do nothing).
void InstallAccessibleWindows();

}  // namespace tilvane::qt
