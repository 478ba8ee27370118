// Reading the system's font configuration (fontconfig's files and caches) is
// the largest single cost before the editor's first frame, and it needs
// nothing from Qt. A program starts it on a thread of its own first thing,
// before its QApplication, and LoadEditor waits for it before any window is
// drawn, so that Qt finds the configuration loaded instead of reading it on
// the path to the first frame.
#pragma once

namespace tilvane {

// Starts loading fontconfig's default configuration on another thread. At most
// once per process; later calls do nothing.
void StartFontConfigPreload();

// Waits until a preload started by StartFontConfigPreload has ended; returns at
// once when none was started or it has already been waited for.
void FinishFontConfigPreload();

}  // namespace tilvane
