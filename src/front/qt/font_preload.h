// Reading the system's font configuration (fontconfig's files and caches) is
// the largest single cost before the editor's first frame, and it needs
// nothing from Qt. A program starts it on a thread of its own first thing,
// before its QApplication, so that it runs while Qt starts and the windows are
// built. The first text of the first frame (the main window's column buttons)
// waits for it, so that Qt finds the configuration loaded instead of reading it
// a second time; code that lays out or draws text before that frame calls
// FinishFontConfigPreload first. Without a preload both return at once.
#pragma once

namespace tilvane::qt {

// Starts loading fontconfig's default configuration on another thread. At most
// once per process; later calls do nothing.
void StartFontConfigPreload();

// Waits until a preload started by StartFontConfigPreload has ended; returns at
// once when none was started or it has already been waited for.
void FinishFontConfigPreload();

}  // namespace tilvane::qt
