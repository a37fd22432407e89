#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian 12 package that building, running, testing and packaging KURVOMAT needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-charts-dev qt6-svg-dev libgl-dev
  libqt6opengl6-dev  # Qt Charts' CMake package needs Qt OpenGL's; qt6-base-dev only recommends it
  libbenchmark-dev
  clang libclang-rt-14-dev
  dpkg-dev file desktop-file-utils appstream  # scripts/package.sh: cpack's dpkg-shlibdeps, checks
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
