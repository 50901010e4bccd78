#!/usr/bin/env bash
# Runs Windows programs of the build under Wine, for CTest.
#
#   wine-test.sh prepare unit|gui BUILD     make the Wine prefix of that kind once per build folder
#   wine-test.sh finish unit|gui BUILD      stop that prefix's wineserver and what runs in it
#   wine-test.sh run unit|gui BUILD SECONDS EXE [ARGS...]
#                                           run EXE in the prefix, ended after SECONDS
#
# Unit tests run without a display. GUI and sound tests run in a prefix of their own against the
# display and microphone that testenv.sh started in BUILD/testenv.
set -uo pipefail

WINE=${WINE:-/usr/lib/wine/wine64}
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
# Debian keeps wineserver beside wine64, off the PATH.
WINESERVER=${WINESERVER:-$(dirname "$WINE")/wineserver}
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
ROOT=$(cd "$(dirname "$0")/.." && pwd)

action=$1 kind=$2 build=$3; shift 3
case $kind in unit|gui) ;; *) echo "unknown kind $kind" >&2; exit 2 ;; esac

export WINEPREFIX=$build/wine/$kind WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$kind" = gui ]; then
  [ -f "$build/testenv/env" ] || { echo "no test environment in $build/testenv" >&2; exit 1; }
  # shellcheck disable=SC1091
  . "$build/testenv/env"
else
  unset DISPLAY WAYLAND_DISPLAY
fi

prepare() {
  mkdir -p "$build/wine"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.morvale-ready" ]; then
      rm -rf "$WINEPREFIX"
      "$WINE" wineboot -i >"$build/wine/$kind-boot.log" 2>&1
      "$WINESERVER" -w
      touch "$WINEPREFIX/.morvale-ready"
    fi
  ) 9>"$build/wine/$kind.lock"
}

# A test may mount a small filesystem of its own below its folder (tests/support/host.h); none
# outlives the run, however it ended. /proc/mounts writes a blank in a path as \040.
unmount_below() {
  mounts=$(cat /proc/mounts)
  while read -r _ raw _; do
    point=$(printf '%b' "$raw")
    case $point in "$1"/*) umount -l "$point" 2>/dev/null ;; esac
  done <<EOF
$mounts
EOF
}

case $action in
  prepare) prepare ;;
  finish) [ -d "$WINEPREFIX" ] && "$WINESERVER" -k 2>/dev/null; exit 0 ;;
  run)
    seconds=$1; shift
    prepare
    exe=$1; shift
    name=$(basename "$exe" .exe)
    export MORVALE_TEST_TMP=$build/test-tmp/$name MORVALE_SOURCE_DIR=$ROOT MORVALE_BUILD_DIR=$build
    unmount_below "$MORVALE_TEST_TMP"
    rm -rf "$MORVALE_TEST_TMP"; mkdir -p "$MORVALE_TEST_TMP"
    cd "$(dirname "$exe")" || exit 1
    # The output goes to a file, not a pipe: a wineserver that this run starts serves the other
    # tests of the prefix after it and holds what it inherited open, so a pipe's reader would wait
    # for all of them to end.
    out=$build/test-tmp/$name.out
    timeout -k 5 "$seconds" "$WINE" "$exe" "$@" >"$out" 2>&1
    rc=$?
    unmount_below "$MORVALE_TEST_TMP"
    # x264 reports every encoder it closes on stderr; those lines would bury a failure's own.
    grep -v '^x264 \[info\]' "$out"
    [ "$rc" -eq 124 ] && echo "*** $name timed out after $seconds s"
    [ "$rc" -ne 0 ] && echo "*** $name exited with code $rc"
    exit "$rc"
    ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
