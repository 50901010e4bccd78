#!/usr/bin/env bash
# Installs what is missing, builds Morvale.exe and starts it under Wine on the current display.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${MORVALE_BUILD:-$ROOT/build}

"$ROOT/scripts/deps.sh"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target Morvale
[ -n "${DISPLAY:-}" ] || { echo "DISPLAY is not set: start an X server (or Xvfb) first" >&2; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$BUILD/wine/run} WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
exec "$WINE" "$BUILD/bin/Morvale.exe"
