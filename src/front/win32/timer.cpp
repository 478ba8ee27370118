#include "front/win32/controls.h"

namespace tilvane::win32 {

// A window timer: its ticks come as messages to the window, also while a
// modal box or dialog runs.
void Win32Timer::setInterval(int milliseconds) {
  interval_ = milliseconds > 0 ? milliseconds : 0;
  if (interval_ > 0) {
    ::SetTimer(window_.hwnd(), id_, static_cast<UINT>(interval_), nullptr);
  } else {
    ::KillTimer(window_.hwnd(), id_);
  }
}

void Win32Timer::Detach() { ::KillTimer(window_.hwnd(), id_); }

}  // namespace tilvane::win32
