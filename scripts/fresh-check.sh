#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the README's two commands on a fresh, minimal Debian 12, so that they cannot depend on
# what this machine happens to have installed. As root:
#   setup    only where debootstrap is missing: apt-get install debootstrap on this machine
#   base     debootstrap --variant=minbase bookworm, done once and kept as a tarball in
#            ${KURVOMAT_FRESH_CACHE:-/var/cache/kurvomat-fresh} (delete it to build a new base)
#   root     a pristine copy of that base for this run, in memory (tmpfs) where at least 8 GiB
#            are free, else on disk below the cache; it is thrown away when the run ends
#   clone    git clone of this checkout's current commit into /root/kurvomat in the root
#            (uncommitted changes are not part of it)
#   test.sh  `bash scripts/test.sh` in the clone, inside the root (chroot)
#   run.sh   `bash scripts/run.sh` with QT_QPA_PLATFORM=offscreen until kurvomat has been
#            running for a few seconds, then it is stopped
#   package  `bash scripts/package.sh` in the clone; the .deb's file list (dpkg-deb -c) must be
#            exactly the install tree (programs, desktop entry, metainfo, icons, man pages,
#            licence)
#   install  a new pristine root: `apt-get install ./kurvomat_*.deb` there, then the installed
#            kurvomat must keep running for a few seconds (offscreen) and kurvomat-export --help
#            and kurvomat-device --help must succeed
# Each step prints one line: name, ok or FAILED, seconds; a failed step shows the tail of its log
# (all logs are in <cache>/logs/). What the script mounts (the root's tmpfs, /proc, /sys, a new
# /dev/pts instance, /dev/shm) is unmounted again on every exit, Ctrl-C included. The device
# nodes in the root's /dev are debootstrap's own; nothing of this machine's /dev is mounted in.
# Environment: KURVOMAT_FRESH_CACHE (cache folder), KURVOMAT_FRESH_MIRROR (Debian mirror;
# default: the one debootstrap picks), KURVOMAT_FRESH_RUN_WAIT (seconds run.sh may take to
# build and start kurvomat, default 3600).
# Exit status: 0 passed; 1 a step failed; 3 skipped: this machine cannot build such a root (not
# root, debootstrap missing and not installable, no permission to mount or chroot), said in one
# line starting with "fresh-check: skipped".
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd -P)"

skip() { echo "fresh-check: skipped: $*"; exit 3; }
report() { # name status seconds [note]
  printf 'fresh-check: %-8s %-6s %5d s%s\n' "$1" "$2" "$3" "${4:+  $4}"
}

[ "$(id -u)" -eq 0 ] || skip "not root (a Debian root can only be built as root)"
for tool in chroot mount umount tar flock setsid git; do
  command -v "$tool" >/dev/null || skip "$tool is missing on this machine"
done
if ! command -v debootstrap >/dev/null; then
  { command -v apt-get >/dev/null &&
    DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null 2>&1 &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null 2>&1 &&
    command -v debootstrap >/dev/null; } || skip "debootstrap is missing and apt-get could not install it"
  report setup ok "$SECONDS" "installed debootstrap on this machine"
fi

commit="$(git -C "$src" rev-parse HEAD)"
cache="${KURVOMAT_FRESH_CACHE:-/var/cache/kurvomat-fresh}"
case "$cache" in
  *[[:space:]]*) echo "fresh-check: the cache folder's path must not contain spaces: '$cache'" >&2; exit 1 ;;
esac
mkdir -p "$cache/logs"
cache="$(cd "$cache" && pwd -P)"
base="$cache/bookworm-minbase-$(dpkg --print-architecture 2>/dev/null || uname -m).tar"
root="$cache/root"
logs="$cache/logs"

exec 9>"$cache/lock"
if ! flock -n 9; then
  echo "fresh-check: waiting for another fresh-check using $cache"
  flock 9
fi

mkdir -p "$cache/probe"
{ mount -t tmpfs probe "$cache/probe" 2>/dev/null && umount "$cache/probe"; } ||
  skip "no permission to mount"
chroot / true 2>/dev/null || skip "no permission to chroot"
rmdir "$cache/probe"

# Processes whose root is $1 (everything started inside a root).
pids_in() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$1" ] && echo "${p#/proc/}"
  done
  return 0
}

stop_in() {
  local pids
  pids="$(pids_in "$1")"
  [ -n "$pids" ] || return 0
  # shellcheck disable=SC2086 # a list of process ids
  kill -TERM $pids 2>/dev/null || true
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    pids="$(pids_in "$1")"
    [ -n "$pids" ] || return 0
    sleep 1
  done
  # shellcheck disable=SC2086
  kill -KILL $pids 2>/dev/null || true
  sleep 1
}

# Unmounts everything mounted at or below $1, deepest first.
unmount_under() {
  local m
  awk -v d="$1/" 'index($5 "/", d) == 1 { print $5 }' /proc/self/mountinfo | sort -r |
    while read -r m; do umount "$m" 2>/dev/null || umount -l "$m"; done
}

step_pid=""
cleanup() {
  local status=$?
  set +e
  trap - EXIT INT TERM
  [ -n "$step_pid" ] && kill -TERM -- "-$step_pid" 2>/dev/null
  stop_in "$root"
  stop_in "$cache/base.new"
  unmount_under "$cache"
  if awk -v d="$cache/" 'index($5 "/", d) == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
    echo "fresh-check: could not unmount everything below $cache:" >&2
    awk -v d="$cache/" 'index($5 "/", d) == 1 { print "  " $5 }' /proc/self/mountinfo >&2
    [ "$status" -eq 0 ] && status=1
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'echo "fresh-check: interrupted"; exit 130' INT
trap 'echo "fresh-check: terminated"; exit 143' TERM

failed() { # name seconds log why
  report "$1" FAILED "$2" "$4"
  echo "--- last 40 lines of $3"
  tail -n 40 "$3"
  echo "---"
  exit 1
}

# Runs a command in its own session (so that a signal can stop all of it) with its output in
# logs/<name>.log; the status is left in $rc, the log's path in $log.
run() {
  local name=$1
  shift
  log="$logs/$name.log"
  rc=0
  setsid "$@" </dev/null >"$log" 2>&1 &
  step_pid=$!
  wait "$step_pid" || rc=$?
  step_pid=""
}

# Makes $root a pristine copy of the base, with /proc, /sys, /dev/pts and /dev/shm mounted; says
# where in $where. Failures are reported as step $1.
make_root() {
  rm -rf --one-file-system "$root"
  mkdir "$root"
  where="on disk"
  if [ "$(awk '/^MemAvailable:/ { print $2 }' /proc/meminfo)" -ge $((8 * 1024 * 1024)) ]; then
    mount -t tmpfs -o size=6g,mode=0755 fresh-root "$root"
    where="in memory"
  fi
  run "$1" tar -C "$root" --numeric-owner -xpf "$base"
  [ "$rc" -eq 0 ] || failed "$1" $((SECONDS - t)) "$log" "unpacking $base"
  { cp -L /etc/resolv.conf "$root/etc/resolv.conf" &&
    mount -t proc proc "$root/proc" &&
    mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys" &&
    mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts" &&
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"; } >>"$log" 2>&1 ||
    failed "$1" $((SECONDS - t)) "$log" "copying resolv.conf or mounting /proc, /sys, /dev/pts, /dev/shm"
}

# The pid of a process named kurvomat running in the root, or nothing.
kurvomat_in_root() {
  local p
  for p in $(pids_in "$root"); do
    if [ "$(cat "/proc/$p/comm" 2>/dev/null)" = kurvomat ]; then echo "$p"; return 0; fi
  done
  return 0
}

# Runs what follows inside the root, as root in a clean login-like environment.
in_root=(chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb
         PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)

rm -f "$logs"/*.log
stop_in "$root"                    # left over by a run that was killed outright
unmount_under "$cache"

# base: the minimal Debian 12, built once.
t=$SECONDS
if [ -f "$base" ]; then
  report base ok $((SECONDS - t)) "cached: $base"
else
  rm -rf --one-file-system "$cache/base.new" "$base.new"
  # shellcheck disable=SC2016 # expanded by the inner bash
  run base bash -c 'debootstrap --variant=minbase bookworm "$1" ${3:+"$3"} &&
                    tar -C "$1" --numeric-owner -cf "$2" .' \
      _ "$cache/base.new" "$base.new" "${KURVOMAT_FRESH_MIRROR:-}"
  [ "$rc" -eq 0 ] || failed base $((SECONDS - t)) "$log" "debootstrap --variant=minbase bookworm"
  mv "$base.new" "$base"
  rm -rf --one-file-system "$cache/base.new"
  report base ok $((SECONDS - t)) "debootstrap --variant=minbase bookworm, cached in $base"
fi

# root: a pristine copy of the base.
t=$SECONDS
make_root root
report root ok $((SECONDS - t)) "$root, $where"

# clone: this checkout's current commit.
t=$SECONDS
# shellcheck disable=SC2016 # expanded by the inner bash
run clone bash -c 'git clone --quiet --no-checkout "$1" "$2" && git -C "$2" checkout --quiet --detach "$3"' \
    _ "$src" "$root/root/kurvomat" "$commit"
[ "$rc" -eq 0 ] || failed clone $((SECONDS - t)) "$log" "git clone $src"
report clone ok $((SECONDS - t)) "${commit:0:12} in /root/kurvomat"

# test.sh: the README's test command.
t=$SECONDS
run test.sh "${in_root[@]}" bash -c 'cd /root/kurvomat && bash scripts/test.sh'
summary="$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 || true)"
[ "$rc" -eq 0 ] || failed test.sh $((SECONDS - t)) "$log" "exit $rc${summary:+; $summary}"
report test.sh ok $((SECONDS - t)) "$summary"

# run.sh: the README's run command, until kurvomat is up.
t=$SECONDS
log="$logs/run.sh.log"
setsid "${in_root[@]}" QT_QPA_PLATFORM=offscreen bash -c 'cd /root/kurvomat && bash scripts/run.sh' </dev/null >"$log" 2>&1 &
step_pid=$!
wait_limit="${KURVOMAT_FRESH_RUN_WAIT:-3600}"
kurvomat=""
while [ -z "$kurvomat" ]; do
  kill -0 "$step_pid" 2>/dev/null ||
    failed run.sh $((SECONDS - t)) "$log" "run.sh ended before kurvomat was running"
  [ $((SECONDS - t)) -le "$wait_limit" ] ||
    failed run.sh $((SECONDS - t)) "$log" "kurvomat not running after ${wait_limit} s"
  kurvomat="$(kurvomat_in_root)"
  sleep 1
done
up=$SECONDS
sleep 5
grep -qs '^State:[[:space:]]*[RSD]' "/proc/$kurvomat/status" ||
  failed run.sh $((SECONDS - t)) "$log" "kurvomat started but did not keep running"
stop_in "$root"
wait "$step_pid" 2>/dev/null || true
step_pid=""
report run.sh ok $((SECONDS - t)) "kurvomat running $((SECONDS - up)) s after $((up - t)) s of building, then stopped"

# package: scripts/package.sh in the same root (it reuses run.sh's optimised build); the .deb
# must hold exactly the install tree: the three programs, desktop entry, metainfo, icons, man
# pages and licence, nothing built for tests.
t=$SECONDS
run package "${in_root[@]}" bash -c 'cd /root/kurvomat && bash scripts/package.sh'
[ "$rc" -eq 0 ] || failed package $((SECONDS - t)) "$log" "exit $rc"
built="$root/root/kurvomat/$(tail -n 1 "$log")"
[ -f "$built" ] || failed package $((SECONDS - t)) "$log" "no package named in the last line"
deb="$cache/pkg/$(basename "$built")"
rm -rf "$cache/pkg"
mkdir "$cache/pkg"
cp "$built" "$deb"
id=io.github.kurvomat.kurvomat
expected="$(printf '%s\n' ./usr/bin/kurvomat ./usr/bin/kurvomat-device ./usr/bin/kurvomat-export \
  ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
  ./usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/$id.png \
  ./usr/share/icons/hicolor/scalable/apps/$id.svg \
  ./usr/share/man/man1/{kurvomat,kurvomat-device,kurvomat-export}.1 \
  ./usr/share/doc/kurvomat/LICENSE | sort)"
{ dpkg-deb -c "$deb" && dpkg-deb -f "$deb" Depends; } >>"$log" 2>&1 ||
  failed package $((SECONDS - t)) "$log" "dpkg-deb cannot read $deb"
files="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)"
if [ "$files" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$files") >>"$log" || true
  failed package $((SECONDS - t)) "$log" "the package's files differ from the install tree (diff: expected, found)"
fi
report package ok $((SECONDS - t)) "$(basename "$deb"): $(echo "$files" | wc -l) files as expected, depends on $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | wc -l) packages"

# install: the package on a new pristine root with apt-get, which brings its dependencies; the
# installed kurvomat must keep running (offscreen) and the tools must answer --help.
t=$SECONDS
stop_in "$root"
unmount_under "$cache"
make_root install
cp "$deb" "$root/root/"
run install "${in_root[@]}" bash -c 'cd /root && apt-get update -qq &&
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./kurvomat_*.deb &&
  kurvomat-export --help && kurvomat-device --help'
[ "$rc" -eq 0 ] || failed install $((SECONDS - t)) "$log" "apt-get install ./$(basename "$deb") or --help: exit $rc"
setsid "${in_root[@]}" QT_QPA_PLATFORM=offscreen kurvomat </dev/null >>"$log" 2>&1 &
step_pid=$!
sleep 5
kurvomat="$(kurvomat_in_root)"
[ -n "$kurvomat" ] && grep -qs '^State:[[:space:]]*[RSD]' "/proc/$kurvomat/status" ||
  failed install $((SECONDS - t)) "$log" "the installed kurvomat did not keep running"
stop_in "$root"
wait "$step_pid" 2>/dev/null || true
step_pid=""
report install ok $((SECONDS - t)) "apt-get install ./$(basename "$deb") on a pristine root; kurvomat running 5 s, kurvomat-export --help ok"

unmount_under "$cache"
rm -rf --one-file-system "$root" "$cache/pkg"
echo "fresh-check: passed in $SECONDS s"
