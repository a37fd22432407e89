# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build folder (scripts/package.sh does it all) packs what `cmake --install`
# installs, below /usr. The package's dependencies come from the installed binaries
# (dpkg-shlibdeps, package dpkg-dev), so they follow the Qt libraries actually linked.
set(KURVOMAT_MAINTAINER "KURVOMAT developers <kurvomat@localhost>" CACHE STRING
    "Maintainer of the Debian package: Name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kurvomat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KURVOMAT developers")
set(CPACK_PACKAGE_CONTACT "${KURVOMAT_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # kurvomat_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KURVOMAT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "display and recording end of a serial 8-bit oscilloscope front end
A measuring device sends frames of up to 1000 samples over a serial port;
KURVOMAT draws each frame with its minimum and maximum, records frames to
text files, keeps three snapshots, plays recordings back, simulates a sine
and a frequency sweep, and correlates every frame against a reference sine.
The user interface is German.
.
kurvomat-device sends frames as the measuring device does, to try the
program without an instrument; kurvomat-export writes recordings as CSV.")

include(CPack)
