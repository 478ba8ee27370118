# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, for std::thread and std::mutex), everything linked statically so that
# the programs need no DLL beside them. Tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TILVANE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TILVANE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TILVANE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TILVANE_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TILVANE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread inside each program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, through tests/windows/wine-run (a private
# prefix, no display, no debug chatter).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run)
