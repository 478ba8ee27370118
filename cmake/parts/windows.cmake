# The Windows build of the image tools (cmake/mingw-w64-x86_64.cmake): the zip
# users download, and the tests, which run under Wine in a prefix that each
# test run makes for itself.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()

set(TILVANE_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/tilvane-tools-${PROJECT_VERSION}-win64.zip)
add_custom_command(
  OUTPUT ${TILVANE_WINDOWS_ZIP}
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pack-windows-tools $<TARGET_FILE:qiltool> ${CMAKE_SOURCE_DIR}
          ${TILVANE_WINDOWS_ZIP}
  DEPENDS qiltool ${CMAKE_SOURCE_DIR}/scripts/pack-windows-tools ${CMAKE_SOURCE_DIR}/docs/qiltool.md
          ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Packing tilvane-tools-${PROJECT_VERSION}-win64.zip"
  VERBATIM)
add_custom_target(windows_zip ALL DEPENDS ${TILVANE_WINDOWS_ZIP})

if(NOT TILVANE_BUILD_TESTS)
  return()
endif()

set(TILVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(TILVANE_WINE_PREFIX_SCRIPT ${CMAKE_SOURCE_DIR}/tests/windows/wine-prefix)
add_test(NAME wine_prefix COMMAND bash ${TILVANE_WINE_PREFIX_SCRIPT} create ${TILVANE_WINEPREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 LABELS windows)
add_test(NAME wine_stop COMMAND bash ${TILVANE_WINE_PREFIX_SCRIPT} stop ${TILVANE_WINEPREFIX})
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows)

# Each GoogleTest program runs whole under Wine (one start instead of one per
# test), in two shards so that both cores work. A skipped test counts as not run.
set(TILVANE_WINE_TEST_PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 LABELS windows
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
foreach(program core_tests qiltool_tests)
  if(NOT TARGET ${program})
    continue()
  endif()
  foreach(shard 0 1)
    add_test(NAME ${program}_wine_${shard} COMMAND ${program})
    set_tests_properties(${program}_wine_${shard} PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
      ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX};GTEST_TOTAL_SHARDS=2;GTEST_SHARD_INDEX=${shard}")
  endforeach()
endforeach()

# qiltool.exe against qiltool built for this machine: the same groups byte for
# byte, from the fixtures and from Wine's own programs.
set(TILVANE_LINUX_QILTOOL "" CACHE FILEPATH "qiltool built for the build machine, to compare with qiltool.exe")
if(TILVANE_LINUX_QILTOOL)
  add_test(NAME qiltool_wine_same_bytes
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/qiltool_wine_test.sh $<TARGET_FILE:qiltool>
                   ${TILVANE_LINUX_QILTOOL} ${CMAKE_BINARY_DIR}/fixtures/intake)
  set_tests_properties(qiltool_wine_same_bytes PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
    ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX};TILVANE_WINE_RUN=${CMAKE_SOURCE_DIR}/tests/windows/wine-run"
    SKIP_RETURN_CODE 77)
else()
  message(WARNING "TILVANE_LINUX_QILTOOL is not set: qiltool.exe is not compared with qiltool ('make windows' sets it)")
endif()
