#!/usr/bin/env bash
# Installs what is missing, builds Morvale and its tests, and runs every test under Wine.
#   scripts/test.sh [ctest arguments...]     e.g. scripts/test.sh -L unit
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${MORVALE_BUILD:-$ROOT/build}

"$ROOT/scripts/deps.sh"
# The scripts must take any checkout path, spaces included: the linter catches unquoted words.
shellcheck "$ROOT"/scripts/*.sh "$ROOT/.ci/run"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" "$@"
