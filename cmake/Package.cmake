# The Debian package, kovra_VERSION_ARCH.deb (`cpack -G DEB` in a build
# folder; scripts/package.sh builds one): the install rules under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kovra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kovra Math RT Intraday")
set(CPACK_PACKAGE_CONTACT "Kovra Math RT Intraday team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kovra Math RT Intraday study and the kovra chart host")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The Kovra Math RT Intraday study library, which a charting platform loads,
and `kovra`, a stand-in platform that loads it, feeds it bars, plays real-time
updates and control-bar pushes, and draws the chart as a picture.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The shared libraries it links (cairo, fontconfig, fmt, date-tz, ...) give
# their packages through dpkg-shlibdeps; what it reads at run time without
# linking is named here: the time-zone database and the picture's font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tzdata, fonts-dejavu-core")
# Packaging installs what is built (scripts/package.sh builds kovra and the
# study library first) and does not build the tests and benchmarks too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
