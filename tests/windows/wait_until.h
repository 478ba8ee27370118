// Waiting for a state in the tests run under Wine, while the windows a test
// made keep answering.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

#include "../support/wait_until.h"

namespace tilvane::testing {

// WaitUntil that hands the thread's window messages to `dispatch` before
// each look at `done`.
inline bool WaitUntil(
    std::chrono::seconds bound, const std::function<bool()>& done,
    const std::function<void(MSG&)>& dispatch = [](MSG& message) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }) {
  return WaitUntil(
      [&] {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
        return done();
      },
      bound, std::chrono::milliseconds(20));
}

}  // namespace tilvane::testing
