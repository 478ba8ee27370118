// Waiting for a state, never for a fixed time, in the tests run under Wine.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace tilvane::testing {

// Polls `done` until it holds or `bound` has passed; true when it holds.
// Between polls the thread's window messages are handed to `dispatch`, so
// that the windows a test made keep answering.
inline bool WaitUntil(
    std::chrono::seconds bound, const std::function<bool()>& done,
    const std::function<void(MSG&)>& dispatch = [](MSG& message) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }) {
  const auto end = std::chrono::steady_clock::now() + bound;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

}  // namespace tilvane::testing
