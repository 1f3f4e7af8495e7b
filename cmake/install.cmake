# What `cmake --install` puts under its prefix, and the Debian package
# (`cpack -G DEB` in the build folder) puts under /usr:
#   bin/valdorik            the launcher players run
#   lib/valdorik/valdorik   the game, started by the launcher in its data folder
#   share/valdorik/         pictures and sound, as the build writes them into build/game/
#   share/applications/, share/icons/hicolor/, share/doc/valdorik/
#   bin/valdorik-relay      the relay for two-player games, and its systemd
#   lib/systemd/system/     unit (which starts /usr/bin/valdorik-relay, the package's)
# The Windows game is packed by scripts/windows-zip.sh instead.
if(NOT TARGET valdorik OR WIN32 OR EMSCRIPTEN)
  return()
endif()

set(VALDORIK_GAME_INSTALL_DIR lib/valdorik)
set(VALDORIK_DATA_INSTALL_DIR share/valdorik)
# The launcher finds both relative to itself.
file(RELATIVE_PATH VALDORIK_BIN_TO_DATA /bin /${VALDORIK_DATA_INSTALL_DIR})
file(RELATIVE_PATH VALDORIK_BIN_TO_GAME /bin /${VALDORIK_GAME_INSTALL_DIR}/valdorik)
configure_file(${CMAKE_SOURCE_DIR}/packaging/valdorik.sh.in ${CMAKE_BINARY_DIR}/launcher/valdorik @ONLY)

install(TARGETS valdorik RUNTIME DESTINATION ${VALDORIK_GAME_INSTALL_DIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/valdorik DESTINATION bin)
install(DIRECTORY ${CMAKE_BINARY_DIR}/game/ DESTINATION ${VALDORIK_DATA_INSTALL_DIR}
        FILES_MATCHING PATTERN "*.bmp" PATTERN "*.wav")
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION share/icons/hicolor FILES_MATCHING PATTERN "*.png")
install(FILES ${CMAKE_SOURCE_DIR}/packaging/valdorik.desktop DESTINATION share/applications)
if(TARGET valdorik-relay)
  # OPTIONAL: ./play builds the game alone, and its folder installs without the relay.
  install(TARGETS valdorik-relay RUNTIME DESTINATION bin OPTIONAL)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/valdorik-relay.service DESTINATION lib/systemd/system)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/valdorik)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION share/doc/valdorik OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valdorik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time strategy game against the computer")
set(CPACK_PACKAGE_DESCRIPTION "Win neutral creatures over with gold, send them against the enemy, \
and win when the computer has no fighting unit left. Drawn in 3-D with OpenGL on a 64 x 64 map.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VALDORIK maintainers <maintainers@users.noreply.c-seed-b870738d.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The library packages come from what the game links, not from a hand-kept
# list; libGL is the exception: SDL opens it at run time for the window's
# context, so nothing links it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
include(CPack)
