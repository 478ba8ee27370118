# tilvane.exe's resources and the Win32 front end's tests.
#
# The application icon is the same drawn picture as on Linux, scaled by
# packaging/make_icons.sh and packed into one .ico of six sizes. The picture
# is drawn by make_app_icon built for the build machine, which the MinGW build
# cannot run: the helper build for this machine ('make windows' makes it in
# build/windows/linux) builds it, and the MinGW build is told where it is.
if(NOT WIN32)
  if(NOT TARGET make_app_icon)
    add_executable(make_app_icon EXCLUDE_FROM_ALL packaging/make_app_icon.cpp)
    target_link_libraries(make_app_icon PRIVATE tilvane_core)
  endif()
  return()
endif()
if(NOT TARGET tilvane)
  return()
endif()

set(TILVANE_LINUX_MAKE_APP_ICON "" CACHE FILEPATH "make_app_icon built for the build machine, to draw tilvane.exe's icon")
if(NOT TILVANE_LINUX_MAKE_APP_ICON)
  message(FATAL_ERROR "TILVANE_LINUX_MAKE_APP_ICON is not set: tilvane.exe's icon cannot be drawn ('make windows' sets it)")
endif()
find_program(TILVANE_CONVERT convert REQUIRED)
enable_language(RC)

set(TILVANE_RESOURCE_SOURCE_DIR ${CMAKE_SOURCE_DIR}/src/front/win32/resources)
set(TILVANE_RESOURCE_DIR ${CMAKE_BINARY_DIR}/win32-resources)
set(TILVANE_ICO ${TILVANE_RESOURCE_DIR}/tilvane.ico)
# The copyright line of the licence, as the version resource states it.
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE TILVANE_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
string(REPLACE "(c)" "©" TILVANE_COPYRIGHT "${TILVANE_COPYRIGHT}")
configure_file(${TILVANE_RESOURCE_SOURCE_DIR}/tilvane_version.h.in ${TILVANE_RESOURCE_DIR}/tilvane_version.h @ONLY)

set(TILVANE_ICO_SIZES 16 24 32 48 64 256)
set(TILVANE_ICO_PNGS)
foreach(size ${TILVANE_ICO_SIZES})
  list(APPEND TILVANE_ICO_PNGS ${TILVANE_RESOURCE_DIR}/hicolor/${size}x${size}/apps/tilvane.png)
endforeach()
add_custom_command(
  OUTPUT ${TILVANE_ICO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TILVANE_RESOURCE_DIR}
  COMMAND ${TILVANE_LINUX_MAKE_APP_ICON} ${TILVANE_RESOURCE_DIR}/tilvane.png
  COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/make_icons.sh ${TILVANE_RESOURCE_DIR}/tilvane.png
          ${TILVANE_RESOURCE_DIR}/hicolor
  COMMAND ${TILVANE_CONVERT} ${TILVANE_ICO_PNGS} ${TILVANE_ICO}
  DEPENDS ${TILVANE_LINUX_MAKE_APP_ICON} ${CMAKE_SOURCE_DIR}/packaging/make_icons.sh
  COMMENT "Drawing tilvane.exe's icon"
  VERBATIM)

set(TILVANE_RC ${TILVANE_RESOURCE_SOURCE_DIR}/tilvane.rc)
target_sources(tilvane PRIVATE ${TILVANE_RC})
# windres finds the files the script names in its include folders.
set_source_files_properties(${TILVANE_RC} PROPERTIES
  INCLUDE_DIRECTORIES "${TILVANE_RESOURCE_DIR};${TILVANE_RESOURCE_SOURCE_DIR}"
  OBJECT_DEPENDS "${TILVANE_ICO};${TILVANE_RESOURCE_DIR}/tilvane_version.h;${TILVANE_RESOURCE_SOURCE_DIR}/tilvane.manifest")

if(NOT (TILVANE_BUILD_TESTS AND CMAKE_CROSSCOMPILING))
  return()
endif()

# tilvane.exe carries its icon, version and manifest, and needs no DLL but the
# system's; the core's own icon reader finds the icon's picture in it.
set(TILVANE_ICON_CHECK)
if(TILVANE_LINUX_QILTOOL)
  set(TILVANE_ICON_CHECK ${TILVANE_LINUX_QILTOOL} ${TILVANE_RESOURCE_DIR}/hicolor/32x32/apps/tilvane.png)
endif()
add_test(NAME tilvane_exe_resources
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/exe_resources_test.sh $<TARGET_FILE:tilvane>
                 ${TILVANE_ICON_CHECK})
set_tests_properties(tilvane_exe_resources PROPERTIES LABELS windows TIMEOUT 60)

# The front end's pieces that need no display, as a Windows program under Wine.
add_executable(win32_front_tests ${CMAKE_SOURCE_DIR}/tests/windows/win32_front_test.cpp)
target_link_libraries(win32_front_tests PRIVATE tilvane_win32 GTest::gtest GTest::gtest_main)
add_test(NAME win32_front_tests_wine COMMAND win32_front_tests)
set_tests_properties(win32_front_tests_wine PROPERTIES ${TILVANE_WINE_TEST_PROPERTIES}
  ENVIRONMENT "WINEPREFIX=${TILVANE_WINEPREFIX}")
