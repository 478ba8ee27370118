#include <windows.h>

#include <atomic>

#include "core/platform/termination.h"

namespace tilvane::platform {

namespace {

// Set by the console's handler thread, read on the event loop's thread.
HANDLE requested = nullptr;
HANDLE handled = nullptr;
std::atomic<unsigned> pending{0};  // one bit per console event number (0 to 6)

// The system ends the process when this returns from a close, log-off or
// shutdown event (2, 5, 6), and after about five seconds in any case.
constexpr DWORD kCleanUpWait = 4000;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event > 6) return FALSE;
  pending.fetch_or(1u << event);
  ::SetEvent(requested);
  if (event >= CTRL_CLOSE_EVENT && handled) ::WaitForSingleObject(handled, kCleanUpWait);
  return TRUE;
}

}  // namespace

std::intptr_t StartCatchingTermination() {
  if (requested) return -1;
  requested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  handled = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!requested || !handled || !::SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    if (requested) ::CloseHandle(requested);
    if (handled) ::CloseHandle(handled);
    requested = handled = nullptr;
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

void TerminationHandled() {
  if (handled) ::SetEvent(handled);
}

void StopCatchingTermination() {
  if (!requested) return;
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  ::CloseHandle(requested);
  ::CloseHandle(handled);
  requested = handled = nullptr;
  pending = 0;
}

}  // namespace tilvane::platform
