#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds KURVOMAT (optimised) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKURVOMAT_TESTS=OFF >/dev/null
cmake --build build/release -j2 --target kurvomat kurvomat-device
exec build/release/src/kurvomat "$@"
