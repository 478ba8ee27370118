#include <windows.h>

#include <atomic>

#include "core/platform/termination.h"

namespace tilvane::platform {

namespace {

// Set by the console's handler thread, read on the event loop's thread.
HANDLE requested = nullptr;
std::atomic<unsigned> pending{0};  // one bit per console event number (0 to 6)

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event > 6) return FALSE;
  pending.fetch_or(1u << event);
  ::SetEvent(requested);
  return TRUE;
}

}  // namespace

std::intptr_t StartCatchingTermination() {
  if (requested) return -1;
  requested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!requested) return -1;
  if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    ::CloseHandle(requested);
    requested = nullptr;
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(requested);
}

std::vector<int> TakeTerminationRequests() {
  std::vector<int> requests;
  if (!requested) return requests;
  ::ResetEvent(requested);
  unsigned bits = pending.exchange(0);
  for (int event = 0; event <= 6; ++event) {
    if (bits & (1u << event)) requests.push_back(event);
  }
  return requests;
}

void StopCatchingTermination() {
  if (!requested) return;
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  ::CloseHandle(requested);
  requested = nullptr;
  pending = 0;
}

}  // namespace tilvane::platform
