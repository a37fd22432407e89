#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: installs what is missing (scripts/install-deps.sh), builds the
# programs optimised in build/release (as scripts/run.sh does), checks the desktop entry and the
# AppStream metainfo as installed, and packs with CPack. Prints the package's path:
# build/release/kurvomat_<version>_<architecture>.deb, whose dependencies dpkg-shlibdeps takes
# from the binaries. Install it with `sudo apt-get install ./build/release/kurvomat_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKURVOMAT_TESTS=OFF >/dev/null
cmake --build "$build" -j2

stage="$build/stage"
rm -rf "$stage" "$build"/kurvomat_*.deb
cmake --install "$build" --prefix "$stage/usr" >/dev/null
desktop-file-validate "$stage"/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$stage"/usr/share/metainfo/*.metainfo.xml

(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/kurvomat_*.deb)"
echo "$deb"
