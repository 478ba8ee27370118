// Waiting for a state, never for a fixed time: the one wait of the C++ tests.
#pragma once

#include <chrono>
#include <thread>

namespace tilvane::testing {

// Looks at `done` every `poll` until it holds or `bound` of wall time has
// passed, and says whether it holds. The bound is far above what an idle
// machine needs, so that a busy one passes too.
template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds bound = std::chrono::seconds(30),
               std::chrono::milliseconds poll = std::chrono::milliseconds(1)) {
  const auto until = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return done();
    std::this_thread::sleep_for(poll);
  }
  return true;
}

}  // namespace tilvane::testing
