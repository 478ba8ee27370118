# Icon and executable fixtures for the intake tests and benchmark, made at
# build time by ImageMagick and the MinGW toolchains (see scripts/install-deps).
set(TILVANE_INTAKE_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/intake)
set(TILVANE_INTAKE_RECIPES ${CMAKE_SOURCE_DIR}/tests/fixtures/intake)
add_custom_command(
  OUTPUT ${TILVANE_INTAKE_FIXTURES}/stamp
  COMMAND bash ${TILVANE_INTAKE_RECIPES}/make_fixtures.sh ${TILVANE_INTAKE_FIXTURES}
  DEPENDS ${TILVANE_INTAKE_RECIPES}/make_fixtures.sh ${TILVANE_INTAKE_RECIPES}/icons.rc
          ${TILVANE_INTAKE_RECIPES}/noicons.rc
  COMMENT "Building intake fixtures with ImageMagick and MinGW"
  VERBATIM)
add_custom_target(intake_fixtures DEPENDS ${TILVANE_INTAKE_FIXTURES}/stamp)
foreach(consumer core_tests intake_bench)
  if(TARGET ${consumer})
    add_dependencies(${consumer} intake_fixtures)
  endif()
endforeach()

# libFuzzer's coverage guidance needs the library under test instrumented too,
# not only the fuzz target's own file.
if(TILVANE_LIBFUZZER)
  target_compile_options(tilvane_image PRIVATE -fsanitize=fuzzer-no-link)
  if(TARGET tilvane_music)
    target_compile_options(tilvane_music PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endif()
