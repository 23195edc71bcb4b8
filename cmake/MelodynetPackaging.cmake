# The Debian package: cpack -G DEB in a build folder configured with
# -DCMAKE_INSTALL_PREFIX=/usr (scripts/package.sh does both) writes
# melodynet_<version>_<arch>.deb. Its Depends come from dpkg-shlibdeps.
set(MELODYNET_PACKAGE_MAINTAINER "melodynet developers <melodynet@example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MELODYNET_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "learns a short melody with a small neural network")
set(CPACK_PACKAGE_DESCRIPTION
  "A desktop program that learns a short melody with a tiny feed-forward neural
network and predicts how it goes on. The melody is typed as note codes, the
network is trained by back-propagation on every window of it, and the next
note or a whole continuation is predicted and can be played.
.
The package holds the window melodynet (Russian), the command-line tool
melodynet-cli, which trains, saves, loads and predicts with the same engine,
and the player Play, which plays a play-command text or renders it to a
WAV file.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MELODYNET_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The player's SoundFont, and Qt's own Russian texts for the window's dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont, qt6-translations-l10n")
# Debian's tools compare the package's files with these permissions.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
