// Opening libraries while the program runs: a library the system has, one it
// does not, and symbols in it, in a library it loaded, and in neither.
#include <gtest/gtest.h>

#include "core/platform/shared_library.h"

namespace tilvane {
namespace {

#ifdef _WIN32
constexpr const char* kSystemLibrary = "kernel32.dll";
constexpr const char* kItsSymbol = "GetTickCount";
#else
constexpr const char* kSystemLibrary = "libm.so.6";
constexpr const char* kItsSymbol = "cos";
#endif

TEST(SharedLibrary, OpensWhatTheSystemHasAndFindsItsSymbols) {
  void* library = platform::OpenSharedLibrary(kSystemLibrary);
  ASSERT_NE(library, nullptr);
  EXPECT_NE(platform::SharedLibrarySymbol(library, kItsSymbol), nullptr);
  EXPECT_EQ(platform::SharedLibrarySymbol(library, "tilvane_no_such_symbol"), nullptr);
  // Opening it again gives the library already loaded.
  EXPECT_EQ(platform::OpenSharedLibrary(kSystemLibrary), library);
}

TEST(SharedLibrary, AMissingLibraryIsNothing) {
  EXPECT_EQ(platform::OpenSharedLibrary("libtilvane-no-such-library.so.1"), nullptr);
  EXPECT_EQ(platform::OpenSharedLibrary(""), nullptr);
  EXPECT_EQ(platform::SharedLibrarySymbol(nullptr, kItsSymbol), nullptr);
}

}  // namespace
}  // namespace tilvane
