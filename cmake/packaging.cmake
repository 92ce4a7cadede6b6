# The Debian package: `cpack -G DEB` in the build folder (scripts/package) makes
# morvelin_<version>_<arch>.deb. The libraries it needs are read from the binaries (dpkg-shlibdeps);
# the programs that build the demo disc's sound are recommended, since the guide runs without them.
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/man/morvelin.1 ${PROJECT_SOURCE_DIR}/man/morvelin-disc.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/io.github.morvelin.Morvelin.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# What `morvelin-disc demo OUT` builds the demo disc from: the sources and the region map they are
# drawn on, found beside the help.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/morvelin/demo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/bitmaps/SAROVAN_MAP_BITMAP.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/morvelin/resources/bitmaps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/masks/SAROVAN_MAP_BITMAP.areas.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/morvelin/resources/masks)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvelin)
set(CPACK_PACKAGE_VENDOR "Morvelin")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "field guide to the birds of South and Southeast Asia and their voices")
set(CPACK_PACKAGE_DESCRIPTION
    "Browse the families and species of the region, read their texts, hear their recordings, and look at\n"
    "photos and distribution maps, all from a disc. morvelin-disc builds a demo disc to try it with.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Morvelin developers <maintainers@morvelin.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ffmpeg, espeak-ng, pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# Packaging installs what scripts/package has built; it need not build the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
