#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Speed as the user meets it, side by side with an older version, in one table.
#   scripts/bench.sh [BASELINE]     BASELINE: a commit (default 571e9a8)
#
# Builds bench_compare and bench_correlation (Release) for this version and for BASELINE (in a
# git worktree under build/, with this version's bench_compare.cpp, which reaches the window
# only through control identifiers and bench/WindowDriver.h), runs them offscreen and on a real
# X display (Xvfb when none is set), the two versions taking turns for three rounds, and prints
# each figure (the median of its rounds), the baseline's and the ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
baseline=${1:-571e9a8}

bash scripts/install-deps.sh
missing=()
for pkg in libbenchmark-dev xvfb python3; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
fi

targets=(bench_compare bench_correlation)
build() { # source dir, build dir
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKURVOMAT_TESTS=ON \
    -DKURVOMAT_BENCH=ON >/dev/null
  cmake --build "$2" -j2 --target "${targets[@]}" >/dev/null
}

echo "bench: building this version" >&2
build . build/bench-current

src=build/bench-baseline-src
if [ ! -d "$src" ]; then
  git worktree add --detach "$src" "$baseline" >/dev/null 2>&1
else
  git -C "$src" checkout -q --detach "$baseline"
fi
cp bench/bench_compare.cpp bench/WindowDriver.h bench/WidgetBenchMain.h "$src/bench/"
if ! grep -q bench_compare "$src/bench/CMakeLists.txt"; then
  sed -n '/^# The user.s view of speed/,/^endif()/p' bench/CMakeLists.txt >>"$src/bench/CMakeLists.txt"
fi
echo "bench: building $baseline" >&2
build "$src" build/bench-baseline

if [ -z "${DISPLAY:-}" ]; then
  display=:$((90 + RANDOM % 9))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null' EXIT
  export DISPLAY=$display
  sleep 1
fi

out=build/bench-results
reps=3
mkdir -p "$out"
rm -f "$out"/*.json
# The versions take turns, three rounds, and each figure is the median of its rounds: the
# machine's drift during the run weighs on both alike.
for rep in $(seq "$reps"); do
  for version in current baseline; do
    for platform in offscreen xcb; do
      echo "bench: round $rep, $version, $platform" >&2
      QT_QPA_PLATFORM=$platform "build/bench-$version/bench/bench_compare" \
        --benchmark_format=json >"$out/$version-$platform-$rep.json" 2>/dev/null
    done
    "build/bench-$version/bench/bench_correlation" --benchmark_min_time=0.5 \
      --benchmark_format=json >"$out/$version-correlation-$rep.json" 2>/dev/null
  done
done

python3 - "$out" "$baseline" "$reps" <<'EOF'
import json, statistics, sys

out, baseline, reps = sys.argv[1], sys.argv[2], int(sys.argv[3])

# Runs by name without the iteration suffix ("BM_Sweep", "BM_Correlate/0/1"), each a list of
# its rounds.
def rows(name):
    merged = {}
    for rep in range(1, reps + 1):
        with open(f"{out}/{name}-{rep}.json") as f:
            for r in json.load(f)["benchmarks"]:
                key = r["name"].split("/iterations")[0].split("/real_time")[0]
                merged.setdefault(key, []).append(r)
    return merged

# The median over the rounds; none when a round failed or lacks the figure.
def figure(runs, column):
    if not runs or any(r.get("error_occurred") or column not in r for r in runs):
        return None
    return statistics.median(float(r[column]) for r in runs)

table = []
for platform in ("offscreen", "xcb"):
    cur, base = rows(f"current-{platform}"), rows(f"baseline-{platform}")
    for bench, column, what, lower in (
        ("BM_Sweep", "real_time", "sweep, click to results file (ms)", True),
        ("BM_Sweep", "repaints", "chart repaints per sweep", True),
        ("BM_Frame", "cpu_time", "CPU per 1000-sample frame, all threads (ms)", True),
        ("BM_Frame", "repaints", "chart repaints per frame", True),
        ("BM_LineSpeed/50000", "lost", "frames lost of those sent at 50 kB/s", True),
        ("BM_LineSpeed/20120", "lost", "frames lost of those sent at 20 frames/s", True),
    ):
        c, b = figure(cur.get(bench), column), figure(base.get(bench), column)
        table.append((platform, what, c, b, lower))

# The naive double loop and each kernel on device samples (0) and full-range values (1); a
# kernel this processor lacks is left out.
correlation = {v: rows(f"{v}-correlation") for v in ("current", "baseline")}
def kernel_time(version, inputs, kernel):
    return figure(correlation[version].get(f"BM_Correlate/{inputs}/{kernel}"), "cpu_time")
def naive_time(version, inputs):
    return figure(correlation[version].get(f"BM_CorrelateNaive/{inputs}"), "cpu_time")
def best_time(version):
    return min(t for t in (kernel_time(version, 0, k) for k in (0, 1)) if t)
table.append(("-", "correlation N=1000, fastest kernel (us)", best_time("current"),
              best_time("baseline"), True))
for inputs, samples in ((0, "device"), (1, "full range")):
    for kernel, name in ((0, "portable"), (1, "avx2")):
        ratio = {}
        for version in ("current", "baseline"):
            t, naive = kernel_time(version, inputs, kernel), naive_time(version, inputs)
            ratio[version] = naive / t if t and naive else None
        if ratio["current"] is not None:
            table.append(("-", f"correlation vs double loop, {name}, {samples} (x)",
                          ratio["current"], ratio["baseline"], False))

print(f"{'platform':<10} {'figure':<52} {'now':>10} {baseline:>10} {'gain':>7}")
for platform, what, c, b, lower in table:
    def fmt(v):
        return "failed" if v is None else f"{v:.3g}"
    gain = ""
    if c is not None and b is not None and c > 0 and b > 0:
        gain = f"{(b / c if lower else c / b):.1f}x"
    elif c == 0 and b:
        gain = "all"
    print(f"{platform:<10} {what:<52} {fmt(c):>10} {fmt(b):>10} {gain:>7}")
EOF
