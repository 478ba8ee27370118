# Installation and the Debian package: both programs, the desktop entry, the
# software centre's description, the application icon drawn from the default
# group and the icon of .qil files in every hicolor size, the .qil MIME type and
# the thumbnailer entry.
if(NOT TILVANE_BUILD_EDITOR)
  return()  # the package holds the editor; a core-only build installs only qiltool
endif()
include(GNUInstallDirs)
add_executable(make_app_icon packaging/make_app_icon.cpp)
target_link_libraries(make_app_icon PRIVATE tilvane_core)
set(TILVANE_APP_ICON ${CMAKE_BINARY_DIR}/packaging/tilvane.png)
add_custom_command(OUTPUT ${TILVANE_APP_ICON}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                   COMMAND make_app_icon ${TILVANE_APP_ICON}
                   DEPENDS make_app_icon
                   COMMENT "Drawing the application icon")
# The icon sizes are scaled from that picture with ImageMagick.
find_program(TILVANE_CONVERT convert REQUIRED)
set(TILVANE_ICON_DIR ${CMAKE_BINARY_DIR}/packaging/hicolor)
set(TILVANE_ICON_FILES)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND TILVANE_ICON_FILES ${TILVANE_ICON_DIR}/${size}x${size}/apps/tilvane.png
       ${TILVANE_ICON_DIR}/${size}x${size}/mimetypes/application-x-qil.png)
endforeach()
add_custom_command(OUTPUT ${TILVANE_ICON_FILES}
                   COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/make_icons.sh ${TILVANE_APP_ICON} ${TILVANE_ICON_DIR}
                   DEPENDS ${TILVANE_APP_ICON} ${CMAKE_SOURCE_DIR}/packaging/make_icons.sh
                   COMMENT "Scaling the application and .qil icons")
add_custom_target(app_icon ALL DEPENDS ${TILVANE_ICON_FILES})

install(FILES packaging/tilvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/tilvane-qil.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# File managers draw a group's icon with qiltool through this entry.
install(FILES packaging/tilvane.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES packaging/org.tilvane.tilvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${TILVANE_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tilvane)
set(CPACK_PACKAGE_CONTACT "Tilvane developers <dev@tilvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for .qil image groups")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tune plays through a General MIDI soundfont; without one the editor is silent.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm, qt6-qpa-plugins")
# FluidSynth is opened at run time, so the scan of linked libraries does not
# see it. Debian names a library's package after its soname: libNAME.so.N
# comes in libNAMEN (libNAME-N when NAME ends in a digit).
if(TILVANE_FLUIDSYNTH_SONAME MATCHES "^lib(.+)\\.so\\.([0-9]+)$")
  set(TILVANE_FLUIDSYNTH_NAME ${CMAKE_MATCH_1})
  set(TILVANE_FLUIDSYNTH_ABI ${CMAKE_MATCH_2})
  set(TILVANE_FLUIDSYNTH_PACKAGE "lib${TILVANE_FLUIDSYNTH_NAME}${TILVANE_FLUIDSYNTH_ABI}")
  if(TILVANE_FLUIDSYNTH_NAME MATCHES "[0-9]$")
    set(TILVANE_FLUIDSYNTH_PACKAGE "lib${TILVANE_FLUIDSYNTH_NAME}-${TILVANE_FLUIDSYNTH_ABI}")
  endif()
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${TILVANE_FLUIDSYNTH_PACKAGE}")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-translations-l10n, fonts-wqy-microhei")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

if(TILVANE_BUILD_TESTS AND TILVANE_BUILD_EDITOR AND TARGET qiltool)
  add_test(NAME package
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package PROPERTIES LABELS package TIMEOUT 600 RUN_SERIAL TRUE)
endif()
