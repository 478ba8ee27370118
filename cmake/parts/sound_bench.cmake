# The first-sound benchmark's probe: listens on a sound server with the
# PulseAudio client library alone (bench/sound/first_sound.sh runs it).
if(TILVANE_BUILD_EDITOR AND TILVANE_BUILD_BENCH AND TILVANE_BUILD_MUSIC AND NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
  add_executable(first_sound_probe bench/sound/first_sound_probe.cpp)
  target_link_libraries(first_sound_probe PRIVATE PkgConfig::PULSE_SIMPLE)
endif()
