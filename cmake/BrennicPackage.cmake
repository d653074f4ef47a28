# A Debian package of what `cmake --install` puts in place: `cpack -G DEB` in a build folder
# (`make package` does it from a Release build). The libraries it needs come from the programs
# themselves (dpkg-shlibdeps); Qt's image plugins are declared besides, since the programs load
# them at run time for WebP, TIFF and more and no library link names them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brennic)
set(CPACK_PACKAGE_VENDOR Brennic)
set(CPACK_PACKAGE_CONTACT "Brennic Developer <dev@brennic.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Brennic opens BMP, DIB, GIF and ICO pictures, each in a window of its own, and\n"
       "changes them with neighbourhood filters, colour operations, resampling and the\n"
       "combination of two pictures. brennic-cli runs the same operations on files from a\n"
       "shell.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-image-formats-plugins)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
