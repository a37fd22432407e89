#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (AddressSanitizer, UBSan) in build/fuzz and runs each
# for a bounded time, printing how many inputs it ran.
#   scripts/fuzz.sh                      every fuzz target, 60 s each
#   scripts/fuzz.sh 300                  every target, 300 s each
#   scripts/fuzz.sh 30 fuzz_record       only the named targets
# Environment: JOBS (build jobs, default: all processors), FUZZ_ARGS (more libFuzzer options,
# e.g. "-jobs=2 -workers=2"), FUZZ_BUILD_DIR (default build/fuzz). The corpus grows in <build dir>/corpus/<target> from run to run;
# a crashing input is written to <build dir>/artifacts/<target>/ and the script ends with 1.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

seconds="${1:-60}"
shift || true
case "$seconds" in
  ''|*[!0-9]*) echo "fuzz.sh: the time must be whole seconds, not '$seconds'" >&2; exit 2 ;;
esac

dir="${FUZZ_BUILD_DIR:-build/fuzz}"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DKURVOMAT_FUZZ=ON -DKURVOMAT_TESTS=ON >/dev/null

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(cmake --build "$dir" --target help \
                           | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\):.*/\1/p' \
                           | grep -v '_autogen' | sort -u)
fi
if [ "${#targets[@]}" -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets configured (is tests/fuzz added by tests/CMakeLists.txt?)" >&2
  exit 1
fi

cmake --build "$dir" -j "$jobs" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=0
summary=()
for target in "${targets[@]}"; do
  binary="$(find "$dir" -type f -name "$target" -perm -u+x | head -n 1)"
  if [ -z "$binary" ]; then
    echo "fuzz.sh: $target was not built" >&2
    failed=1
    continue
  fi
  corpus="$dir/corpus/$target"
  artifacts="$dir/artifacts/$target"
  log="$dir/$target.log"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target: ${seconds} s"
  status=0
  # shellcheck disable=SC2086 # FUZZ_ARGS is a list of options
  "$binary" -max_total_time="$seconds" -print_final_stats=1 -max_len=16384 \
            -artifact_prefix="$artifacts/" ${FUZZ_ARGS:-} "$corpus" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  if [ "$status" -ne 0 ]; then
    failed=1
    tail -n 40 "$log" >&2
    summary+=("$target: FAILED after ${runs:-?} runs (exit $status); see $log and $artifacts/")
  else
    summary+=("$target: ${runs:-?} runs in ${seconds} s, corpus $(find "$corpus" -type f | wc -l) inputs")
  fi
done

printf '%s\n' "${summary[@]}"
exit "$failed"
