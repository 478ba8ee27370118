# The editor's intake tests use the executables and icons the intake fixtures build.
if(TARGET intake_commands_test)
  add_dependencies(intake_commands_test intake_fixtures)
endif()
if(TARGET export_dialog_test)
  add_dependencies(export_dialog_test intake_fixtures)
endif()

# The Windows editor's walkthrough under Wine drags from the same source: the
# build for this machine beside the Windows one ('make windows') has no editor
# and builds this one Qt program alone.
option(TILVANE_BUILD_DRAG_SOURCE "Build the walkthrough's drag source without the editor" OFF)
if(TILVANE_BUILD_DRAG_SOURCE AND NOT TILVANE_BUILD_EDITOR)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_executable(drag_source tests/e2e/drag_source.cpp)
  target_link_libraries(drag_source PRIVATE Qt6::Widgets)
endif()

# The end-to-end walkthrough drives the real program on a private Xvfb. Its
# tools (Xvfb, xdotool, ImageMagick) come with scripts/install-deps; a machine
# without them fails the test rather than leaving it out.
if(TILVANE_BUILD_EDITOR AND TILVANE_BUILD_TESTS)
  add_executable(drag_source tests/e2e/drag_source.cpp)
  target_link_libraries(drag_source PRIVATE Qt6::Widgets)
  add_dependencies(drag_source intake_fixtures)
  add_test(NAME walkthrough
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/walkthrough.sh $<TARGET_FILE:tilvane>
                   $<TARGET_FILE:drag_source> ${CMAKE_BINARY_DIR}/fixtures/intake $<TARGET_FILE:qiltool>)
  add_dependencies(drag_source qiltool)
  set_tests_properties(walkthrough PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
  # The walkthroughs' driver on its own: waits, resent inputs, failure reports.
  add_test(NAME ui_driver COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/ui_driver_test.sh $<TARGET_FILE:drag_source>)
  set_tests_properties(ui_driver PROPERTIES LABELS e2e TIMEOUT 120)

  # The editor plays its tune to a private sound server (PulseAudio, sox).
  add_test(NAME sound_server COMMAND bash ${CMAKE_SOURCE_DIR}/tests/sound/sound_server_test.sh $<TARGET_FILE:tilvane>)
  set_tests_properties(sound_server PROPERTIES LABELS sound TIMEOUT 120 RUN_SERIAL TRUE)
endif()
if(TARGET qiltool_result_test)
  add_dependencies(qiltool_result_test qiltool intake_fixtures)
endif()

# The real program started with a file and ended by signals, on a private Xvfb.
if(TILVANE_BUILD_EDITOR AND TILVANE_BUILD_TESTS)
  add_test(NAME start_and_end
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/start_and_end.sh $<TARGET_FILE:tilvane> $<TARGET_FILE:qiltool>
                   ${CMAKE_BINARY_DIR}/fixtures/intake)
  set_tests_properties(start_and_end PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
endif()

# The editor read as a screen reader reads it (AT-SPI on a private session bus)
# and worked with the keyboard alone, on a private Xvfb.
if(TILVANE_BUILD_EDITOR AND TILVANE_BUILD_TESTS)
  add_test(NAME screen_reader
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/accessibility/screen_reader_test.sh $<TARGET_FILE:tilvane>
                   $<TARGET_FILE:qiltool> ${CMAKE_BINARY_DIR}/fixtures/intake)
  set_tests_properties(screen_reader PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
endif()

# The handlers over a recording front end: no toolkit at all.
if(TILVANE_BUILD_TESTS AND TARGET tilvane_handlers)
  add_executable(handlers_tests tests/handlers/handlers_test.cpp tests/handlers/recording_controls.cpp)
  target_include_directories(handlers_tests PRIVATE tests)
  target_link_libraries(handlers_tests PRIVATE tilvane_handlers GTest::gtest GTest::gtest_main)
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(handlers_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS handlers)
  endif()
endif()

# The handlers name no toolkit: their library builds without one, and no
# source of theirs mentions a Qt header or type.
if(TILVANE_BUILD_TESTS AND TARGET tilvane_handlers AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME handlers_name_no_toolkit
           COMMAND sh -c "! grep -nE '#include <Q|\\\\bQ[A-Z][A-Za-z]+\\\\b|\\\\bQt::' ${CMAKE_SOURCE_DIR}/src/editor/*.h ${CMAKE_SOURCE_DIR}/src/editor/*.cpp")
  set_tests_properties(handlers_name_no_toolkit PROPERTIES LABELS handlers)
endif()
