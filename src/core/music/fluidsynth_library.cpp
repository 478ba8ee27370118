#include "core/music/fluidsynth_library.h"

#include "core/platform/shared_library.h"

namespace tilvane {

namespace {

extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The name the build found FluidSynth under (its soname on ELF systems).
constexpr const char* kLibraryName = TILVANE_FLUIDSYNTH_LIBRARY;

const FluidSynthLibrary* Open() {
  void* library = platform::OpenSharedLibrary(kLibraryName);
  if (library == nullptr) return nullptr;
  static FluidSynthLibrary api;
  bool complete = true;
#define TILVANE_FLUIDSYNTH_LOOK_UP(name)                                                          \
  api.name = reinterpret_cast<decltype(api.name)>(platform::SharedLibrarySymbol(library, #name)); \
  complete = complete && api.name != nullptr;
  TILVANE_FLUIDSYNTH_FUNCTIONS(TILVANE_FLUIDSYNTH_LOOK_UP)
#undef TILVANE_FLUIDSYNTH_LOOK_UP
  if (!complete) return nullptr;
#define TILVANE_FLUIDSYNTH_LOOK_UP_OPTIONAL(name) \
  api.name = reinterpret_cast<decltype(api.name)>(platform::SharedLibrarySymbol(library, #name));
  TILVANE_FLUIDSYNTH_OPTIONAL_FUNCTIONS(TILVANE_FLUIDSYNTH_LOOK_UP_OPTIONAL)
#undef TILVANE_FLUIDSYNTH_LOOK_UP_OPTIONAL

  for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) api.fluid_set_log_function(level, nullptr, nullptr);
  // libasound comes in with FluidSynth's ALSA driver, so it is found among
  // the libraries FluidSynth loaded; the core does not link it itself.
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (void* symbol = platform::SharedLibrarySymbol(library, "snd_lib_error_set_handler")) {
    reinterpret_cast<SetHandler>(symbol)(&IgnoreAlsaError);
  }
  return &api;
}

}  // namespace

const FluidSynthLibrary* LoadFluidSynth() {
  static const FluidSynthLibrary* const api = Open();
  return api;
}

}  // namespace tilvane
