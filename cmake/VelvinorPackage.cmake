# The Debian package of the Linux program: cmake --build build/linux --target package
# (CPack's DEB generator) writes build/linux/velvinor_VERSION_ARCH.deb.
#
# /usr/lib/velvinor holds the program with Ruffle's files and the bridge movie in
# ruffle/ beside it, where it looks for them; /usr/games/velvinor points there.
set(VEL_PACKAGE_DIR ${PROJECT_SOURCE_DIR}/platform/linux/package)
install(TARGETS velvinor RUNTIME DESTINATION lib/velvinor)
install(DIRECTORY ${CMAKE_BINARY_DIR}/platform/linux/ruffle/ DESTINATION lib/velvinor/ruffle
        FILES_MATCHING PATTERN "*.js" PATTERN "*.wasm" PATTERN "*.swf")
install(CODE "file(MAKE_DIRECTORY \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games)
  file(CREATE_LINK ../lib/velvinor/velvinor \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/velvinor SYMBOLIC)")
install(FILES ${VEL_PACKAGE_DIR}/velvinor.desktop DESTINATION share/applications)
install(FILES ${VEL_PACKAGE_DIR}/velvinor.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${VEL_PACKAGE_DIR}/copyright DESTINATION share/doc/velvinor)
# Debian wants the changelog compressed, reproducibly (a native package's name).
set(VEL_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${VEL_CHANGELOG}
  COMMAND gzip -9nc ${VEL_PACKAGE_DIR}/changelog > ${VEL_CHANGELOG}
  DEPENDS ${VEL_PACKAGE_DIR}/changelog)
add_custom_target(velvinor_changelog ALL DEPENDS ${VEL_CHANGELOG})
install(FILES ${VEL_CHANGELOG} DESTINATION share/doc/velvinor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velvinor)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velvinor developers <velvinor@trelkon.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "educational game for children from the disc (Linux program)")
set(CPACK_PACKAGE_DESCRIPTION "The Linux program of the game Velvinor: it plays the game's disc (its
Flash movie through the Ruffle player, its videos through GStreamer), installs
the game from the disc into the applications menu and removes it again.")
# The libraries the program links, as dpkg-shlibdeps finds them; and what it only
# loads at run time (see the README for why each is there).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, gstreamer1.0-gtk3, xdg-utils, locales")
include(CPack)
