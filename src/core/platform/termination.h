// Requests from outside to end the program, turned into something an event
// loop can wait for, so that the program's clean-up runs in that loop like any
// other handler and never inside an interrupt. On POSIX systems the requests
// are SIGTERM (kill, the session's end), SIGHUP (a closed terminal) and SIGINT
// (Ctrl+C), and the handler only writes a byte into a pipe
// (termination_posix.cpp); on Windows they are the console's Ctrl+C, Ctrl+Break
// and close events, and the handler only sets an event (termination_win32.cpp).
#pragma once

#include <cstdint>
#include <vector>

namespace tilvane::platform {

// Starts catching the requests. Returns what an event loop waits on: a
// descriptor that becomes readable (POSIX) or an event handle that becomes
// signalled (Windows); -1 when the requests cannot be caught. One at a time.
std::intptr_t StartCatchingTermination();

// The requests that arrived since the last call, oldest first (signal
// numbers on POSIX, console event numbers on Windows).
std::vector<int> TakeTerminationRequests();

// Tells a waiting request that the event loop has dealt with it. A
// console's close, log-off and shutdown end the process as soon as their
// handler returns, so on Windows that handler waits for this (a few seconds
// at most) before it returns; on POSIX systems nothing waits.
void TerminationHandled();

// Stops catching them: the system's defaults apply again.
void StopCatchingTermination();

}  // namespace tilvane::platform
