# The Win32 front end's tests.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING AND TILVANE_BUILD_TESTS AND TARGET tilvane_win32))
  return()
endif()

# The front end's pieces that need no display, as a Windows program under Wine.
add_executable(win32_front_tests ${CMAKE_SOURCE_DIR}/tests/windows/win32_front_test.cpp)
target_link_libraries(win32_front_tests PRIVATE tilvane_win32 GTest::gtest GTest::gtest_main)
add_test(NAME win32_front_tests_wine COMMAND win32_front_tests)
set_tests_properties(win32_front_tests_wine PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
  ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX}")
