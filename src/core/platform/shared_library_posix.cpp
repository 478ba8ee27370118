#include "core/platform/shared_library.h"

#include <dlfcn.h>

namespace tilvane::platform {

void* OpenSharedLibrary(const char* name) {
  // dlopen takes an empty name for the program itself.
  if (name == nullptr || *name == '\0') return nullptr;
  // Every symbol is bound now, so a missing one fails here and not later on
  // another thread; RTLD_LOCAL keeps its symbols out of the lookups of
  // everything else in the program.
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* SharedLibrarySymbol(void* library, const char* symbol) {
  // With a handle, dlsym searches the library and then its dependencies.
  return library == nullptr ? nullptr : dlsym(library, symbol);
}

}  // namespace tilvane::platform
