// Shared libraries opened while the program runs rather than when it starts:
// a program does not wait for a large library (and everything it depends on)
// before its first window, and runs on without it when it is missing. On
// POSIX systems through dlopen (shared_library_posix.cpp), on Windows through
// LoadLibraryW (shared_library_win32.cpp).
#pragma once

namespace tilvane::platform {

// Opens the library `name` (a file name, searched for the way the system
// searches for a program's own libraries), with everything it depends on.
// It stays loaded until the program ends: threads it starts may still run
// its code. Nothing for an empty name, and when it or one of its dependencies
// cannot be loaded.
void* OpenSharedLibrary(const char* name);

// The address of `symbol` in `library` or in the libraries it loaded;
// nothing when none of them has it.
void* SharedLibrarySymbol(void* library, const char* symbol);

}  // namespace tilvane::platform
