# The Windows build of the editor and the image tools
# (cmake/mingw-w64-x86_64.cmake): the zip and the installer users download, and
# the tests, which run under Wine in a prefix that each test run makes for
# itself.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()

set(TILVANE_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/tilvane-tools-${PROJECT_VERSION}-win64.zip)
add_custom_command(
  OUTPUT ${TILVANE_WINDOWS_ZIP}
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pack-windows-tools $<TARGET_FILE:qiltool> $<TARGET_FILE:tilvane>
          ${CMAKE_SOURCE_DIR} ${TILVANE_WINDOWS_ZIP}
  DEPENDS qiltool tilvane ${CMAKE_SOURCE_DIR}/scripts/pack-windows-tools ${CMAKE_SOURCE_DIR}/docs/windows-zip.md
          ${CMAKE_SOURCE_DIR}/docs/qiltool.md ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Packing tilvane-tools-${PROJECT_VERSION}-win64.zip"
  VERBATIM)
add_custom_target(windows_zip ALL DEPENDS ${TILVANE_WINDOWS_ZIP})

# The Windows editor's benchmarks (run by bench/windows/wine_bench.sh): not
# tests, but built with everything else so that they keep building.
if(TARGET tilvane_win32)
  set(TILVANE_WINDOWS_BENCH_DIR ${CMAKE_BINARY_DIR}/bench)
  add_executable(bare_window WIN32 ${CMAKE_SOURCE_DIR}/bench/windows/bare_window.cpp)
  target_link_libraries(bare_window PRIVATE tilvane_win32)
  target_link_options(bare_window PRIVATE -municode)
  set_target_properties(bare_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TILVANE_WINDOWS_BENCH_DIR})
  add_executable(refresh_bench ${CMAKE_SOURCE_DIR}/bench/windows/refresh_bench.cpp)
  target_link_libraries(refresh_bench PRIVATE tilvane_win32)
  target_include_directories(refresh_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(refresh_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TILVANE_WINDOWS_BENCH_DIR})
endif()

# The installer (packaging/windows/tilvane.wxs, built with wixl): the editor
# and qiltool for all users, the .qil association and a Start-menu shortcut.
if(TARGET tilvane)
  set(TILVANE_WINDOWS_MSI ${CMAKE_BINARY_DIR}/tilvane-${PROJECT_VERSION}-x64.msi)
  add_custom_command(
    OUTPUT ${TILVANE_WINDOWS_MSI}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pack-windows-installer $<TARGET_FILE:tilvane> $<TARGET_FILE:qiltool>
            ${CMAKE_SOURCE_DIR} ${PROJECT_VERSION} ${TILVANE_WINDOWS_MSI}
    DEPENDS tilvane qiltool ${CMAKE_SOURCE_DIR}/scripts/pack-windows-installer
            ${CMAKE_SOURCE_DIR}/packaging/windows/tilvane.wxs ${CMAKE_SOURCE_DIR}/docs/qiltool.md
            ${CMAKE_SOURCE_DIR}/LICENSE
    COMMENT "Building tilvane-${PROJECT_VERSION}-x64.msi"
    VERBATIM)
  add_custom_target(windows_installer ALL DEPENDS ${TILVANE_WINDOWS_MSI})
endif()

if(NOT TILVANE_BUILD_TESTS)
  return()
endif()

set(TILVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(TILVANE_WINE_PREFIX_SCRIPT ${CMAKE_SOURCE_DIR}/tests/windows/wine-prefix)
# The installer test changes the system it runs in, so it gets a copy of the
# fresh prefix to itself.
set(TILVANE_INSTALLER_WINEPREFIX "")
if(TARGET tilvane)
  set(TILVANE_INSTALLER_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix-installer)
endif()
add_test(NAME wine_prefix COMMAND bash ${TILVANE_WINE_PREFIX_SCRIPT} create ${TILVANE_WINEPREFIX}
                                  ${TILVANE_INSTALLER_WINEPREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 LABELS windows)
add_test(NAME wine_stop COMMAND bash ${TILVANE_WINE_PREFIX_SCRIPT} stop ${TILVANE_WINEPREFIX})
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows)

# Each GoogleTest program runs whole under Wine (one start instead of one per
# test), in two shards so that both cores work. A skipped test counts as not run.
set(TILVANE_WINE_TEST_PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 LABELS windows
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
foreach(program core_tests qiltool_tests handlers_tests)
  if(NOT TARGET ${program})
    continue()
  endif()
  foreach(shard 0 1)
    add_test(NAME ${program}_wine_${shard} COMMAND ${program})
    set_tests_properties(${program}_wine_${shard} PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
      ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX};GTEST_TOTAL_SHARDS=2;GTEST_SHARD_INDEX=${shard}")
  endforeach()
endforeach()

# The Win32 front end's controls, read back through the system's calls, on
# the prefix's display.
if(TARGET tilvane_win32)
  add_executable(win32_controls_tests ${CMAKE_SOURCE_DIR}/tests/windows/win32_controls_test.cpp
                                      ${CMAKE_SOURCE_DIR}/tests/handlers/recording_controls.cpp)
  target_include_directories(win32_controls_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(win32_controls_tests PRIVATE tilvane_win32 GTest::gtest GTest::gtest_main)
  add_test(NAME win32_controls_wine COMMAND win32_controls_tests)
  set_tests_properties(win32_controls_wine PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
    ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX}")
endif()

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

# The installer, from a silent install through the association, the shortcut
# and an upgrade to a silent uninstall.
if(TARGET tilvane)
  add_test(NAME installer_wine
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/installer_test.sh ${TILVANE_WINDOWS_MSI}
                   $<TARGET_FILE:tilvane> $<TARGET_FILE:qiltool> ${CMAKE_SOURCE_DIR})
  set_tests_properties(installer_wine PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 LABELS windows
    ENVIRONMENT "WINEPREFIX=${TILVANE_INSTALLER_WINEPREFIX};TILVANE_WINE_RUN=${CMAKE_SOURCE_DIR}/tests/windows/wine-run")
endif()

# The MIDI stream output under Wine. The recording winmm.dll of the tests sits
# beside the test program in a folder of their own; one run loads it in place
# of Wine's, another Wine's own, which finds no MIDI device. The buffers the
# output queues are compared with those the virtual device records on Linux,
# listed by tunetool built for this machine.
if(NOT TARGET tilvane_music)
  return()
endif()
set(TILVANE_WINMM_TEST_DIR ${CMAKE_BINARY_DIR}/winmm-test)
add_library(recording_winmm SHARED ${CMAKE_SOURCE_DIR}/tests/windows/recording_winmm/recording_winmm.cpp
                                   ${CMAKE_SOURCE_DIR}/tests/windows/recording_winmm/winmm.def)
set_target_properties(recording_winmm PROPERTIES OUTPUT_NAME winmm PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                                                 ${TILVANE_WINMM_TEST_DIR})
target_link_options(recording_winmm PRIVATE -static -static-libgcc -static-libstdc++)

add_executable(winmm_output_tests ${CMAKE_SOURCE_DIR}/tests/windows/winmm_output_test.cpp)
target_link_libraries(winmm_output_tests PRIVATE tilvane_core GTest::gtest GTest::gtest_main)
set_target_properties(winmm_output_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TILVANE_WINMM_TEST_DIR})
add_dependencies(winmm_output_tests recording_winmm)

add_test(NAME winmm_output_wine_system COMMAND winmm_output_tests --gtest_filter=SystemWinmm.*)
set_tests_properties(winmm_output_wine_system PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
  ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX};WINEDLLOVERRIDES=winmm=b")

set(TILVANE_LINUX_TUNETOOL "" CACHE FILEPATH "tunetool built for the build machine, to list the buffers of the tune")
if(TILVANE_LINUX_TUNETOOL)
  set(TILVANE_STREAM_BUFFERS ${TILVANE_WINMM_TEST_DIR}/background_tune.buffers)
  add_test(NAME winmm_output_expected_buffers
           COMMAND sh -c "rm -f \"$4\" && \"$1\" buffers \"$2\" > \"$3\"" sh ${TILVANE_LINUX_TUNETOOL}
                   ${CMAKE_SOURCE_DIR}/src/core/music/background_tune.mid ${TILVANE_STREAM_BUFFERS}
                   ${TILVANE_WINMM_TEST_DIR}/winmm.log)
  set_tests_properties(winmm_output_expected_buffers PROPERTIES FIXTURES_SETUP winmm_buffers LABELS windows)
  set(TILVANE_WINMM_LOG ${TILVANE_WINMM_TEST_DIR}/winmm.log)
  add_test(NAME winmm_output_wine_recorded COMMAND winmm_output_tests --gtest_filter=RecordedWinmm.*)
  set_tests_properties(winmm_output_wine_recorded PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
    FIXTURES_REQUIRED "wine;winmm_buffers"
    ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX};WINEDLLOVERRIDES=winmm=n,b;TILVANE_WINMM_LOG=Z:${TILVANE_WINMM_LOG};TILVANE_STREAM_BUFFERS=Z:${TILVANE_STREAM_BUFFERS}")
else()
  message(WARNING "TILVANE_LINUX_TUNETOOL is not set: the MIDI stream output is not run against the recording winmm.dll ('make windows' sets it)")
endif()

# The editor itself under Wine on a private Xvfb, driven with xdotool: the
# walkthrough compares what it saves and exports with qiltool built for this
# machine and drags from the Linux drag source; the music test runs it beside
# the recording winmm.dll and then with Wine's own. Both look into the
# prefix's temporary folder for the editor's working copy, so they take turns.
set(TILVANE_LINUX_DRAG_SOURCE "" CACHE FILEPATH "the walkthrough's drag source built for the build machine")
if(TARGET tilvane AND TILVANE_LINUX_QILTOOL AND TILVANE_LINUX_DRAG_SOURCE)
  add_test(NAME tilvane_wine_walkthrough
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/editor_walkthrough.sh $<TARGET_FILE:tilvane>
                   ${TILVANE_LINUX_DRAG_SOURCE} ${CMAKE_BINARY_DIR}/fixtures/intake ${TILVANE_LINUX_QILTOOL})
  set_tests_properties(tilvane_wine_walkthrough PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 LABELS windows
    RESOURCE_LOCK tilvane_wine_temp ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX}")
else()
  message(WARNING "TILVANE_LINUX_QILTOOL or TILVANE_LINUX_DRAG_SOURCE is not set: the editor's walkthrough under Wine is not run ('make windows' sets them)")
endif()
if(TARGET tilvane AND TILVANE_LINUX_TUNETOOL)
  add_test(NAME tilvane_wine_music
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/editor_music_test.sh $<TARGET_FILE:tilvane>
                   $<TARGET_FILE:recording_winmm> ${TILVANE_STREAM_BUFFERS})
  set_tests_properties(tilvane_wine_music PROPERTIES FIXTURES_REQUIRED "wine;winmm_buffers" TIMEOUT 600
    LABELS windows RESOURCE_LOCK tilvane_wine_temp ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX}")
endif()
