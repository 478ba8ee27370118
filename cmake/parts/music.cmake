# Background music: the embedded tune and its generator check.
#
# src/core/music/background_tune.mid is written by tools/tunegen (run
# `ninja regenerate_tune` after changing the composition). Its bytes are
# turned into a C++ array at build time and linked into tilvane_music; the core
# tests compare them with a fresh run of tunegen.
if(NOT TARGET tilvane_music)
  return()
endif()
set(TILVANE_TUNE_MID ${CMAKE_SOURCE_DIR}/src/core/music/background_tune.mid)
set(TILVANE_TUNE_CPP ${CMAKE_BINARY_DIR}/generated/background_tune_bytes.cpp)
add_custom_command(
  OUTPUT ${TILVANE_TUNE_CPP}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${TILVANE_TUNE_MID} -DOUTPUT=${TILVANE_TUNE_CPP}
          -P ${CMAKE_SOURCE_DIR}/cmake/embed_bytes.cmake
  DEPENDS ${TILVANE_TUNE_MID} ${CMAKE_SOURCE_DIR}/cmake/embed_bytes.cmake
  COMMENT "Embedding the background tune"
  VERBATIM)
target_sources(tilvane_music PRIVATE ${TILVANE_TUNE_CPP})

if(TARGET tunegen)
  add_custom_target(regenerate_tune
    COMMAND tunegen ${TILVANE_TUNE_MID}
    COMMENT "Writing src/core/music/background_tune.mid"
    VERBATIM)
  if(TARGET core_tests)
    add_dependencies(core_tests tunegen)
    target_compile_definitions(core_tests PRIVATE TILVANE_TUNEGEN="$<TARGET_FILE:tunegen>")
    if(TARGET tunetool)
      add_dependencies(core_tests tunetool)
      target_compile_definitions(core_tests PRIVATE TILVANE_TUNETOOL="$<TARGET_FILE:tunetool>")
    endif()
  endif()
endif()
