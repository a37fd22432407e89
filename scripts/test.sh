#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds every test suite and runs them all headless.
#   scripts/test.sh             optimised build (RelWithDebInfo)
#   scripts/test.sh --sanitize  the same suites under AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

dir=build/tests
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build/sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DKURVOMAT_SANITIZE=ON)
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S . -B "$dir" -G Ninja "${flags[@]}" -DKURVOMAT_TESTS=ON >/dev/null
cmake --build "$dir" -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2
