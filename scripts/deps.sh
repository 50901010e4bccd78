#!/usr/bin/env bash
# Installs what building and testing Morvale needs, then cross-builds the third-party libraries
# (x264, FAAC, libjpeg-turbo, GoogleTest) into .deps/prefix. Each library is built once per version;
# a later run finds its stamp and skips it.
#
#   scripts/deps.sh            everything
#   scripts/deps.sh packages   only the Debian packages
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
SHARED_DEPS=${MORVALE_SHARED_DEPS:-$ROOT/../shared/deps}
DEPS=$ROOT/.deps
PREFIX=$DEPS/prefix
SRC=$DEPS/src
TOOLCHAIN=$ROOT/cmake/toolchain-mingw64.cmake
HOST=x86_64-w64-mingw32
JOBS=$(nproc)

PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  libz-mingw-w64-dev nasm autoconf automake libtool make cmake googletest
  wine64 xvfb xauth pulseaudio pulseaudio-utils ffmpeg sox imagemagick shellcheck
  python3 libxtst6 locales
)

log() { printf '[deps] %s\n' "$*"; }
die() { printf '[deps] error: %s\n' "$*" >&2; exit 1; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Checks a tarball against SHA256SUMS; a missing or altered file stops the build.
verify_tarball() {
  local name=$1 expected actual
  expected=$(awk -v n="$name" '$2 == n { print $1 }' "$SHARED_DEPS/SHA256SUMS" 2>/dev/null || true)
  [ -n "$expected" ] || die "$name has no checksum in $SHARED_DEPS/SHA256SUMS"
  [ -f "$SHARED_DEPS/$name" ] || die "$SHARED_DEPS/$name is missing (expected sha256 $expected)"
  actual=$(sha256sum "$SHARED_DEPS/$name" | awk '{ print $1 }')
  [ "$actual" = "$expected" ] ||
    die "$SHARED_DEPS/$name has sha256 $actual, expected $expected"
}

# unpack NAME.tar.gz -> prints the source folder
unpack() {
  local name=$1 dir
  dir=$(tar tzf "$SHARED_DEPS/$name" | head -n 1 | cut -d/ -f1)
  rm -rf "${SRC:?}/$dir"
  tar xzf "$SHARED_DEPS/$name" -C "$SRC"
  echo "$SRC/$dir"
}

stamp_ok() { [ -f "$PREFIX/.stamp-$1" ]; }
stamp() { touch "$PREFIX/.stamp-$1"; }

# x264's and FAAC's install steps split their prefix at spaces, so both are built and installed in
# a space-free scratch folder under /tmp (a fresh one per build, removed afterwards) and the result
# is copied into $PREFIX, with the scratch path in the installed text files turned into $PREFIX.
# stage_begin TARBALL -> prints the scratch folder, with the sources unpacked in it.
stage_begin() {
  local stage
  stage=$(mktemp -d /tmp/morvale-deps-XXXXXX) || die "cannot make a scratch folder in /tmp"
  tar xzf "$SHARED_DEPS/$1" -C "$stage"
  echo "$stage"
}

# stage_install SCRATCH: copies SCRATCH/prefix into $PREFIX and removes SCRATCH.
stage_install() {
  local stage=$1 file text
  while IFS= read -r -d '' file; do
    text=$(<"$file")
    printf '%s\n' "${text//"$stage/prefix"/"$PREFIX"}" >"$file"
  done < <(find "$stage/prefix" -type f \( -name '*.pc' -o -name '*.la' \) -print0)
  cp -R "$stage/prefix/." "$PREFIX/"
  rm -rf "$stage"
}

build_x264() {
  local tb=x264-0.164.3095.tar.gz
  verify_tarball $tb
  stamp_ok "$tb" && return 0
  log "building x264"
  local stage; stage=$(stage_begin $tb)
  (cd "$stage"/x264-* &&
    ./configure --host=$HOST --cross-prefix=$HOST- --prefix="$stage/prefix" --enable-static \
      --disable-cli --disable-opencl >"$DEPS/x264.log" 2>&1 &&
    make -j"$JOBS" >>"$DEPS/x264.log" 2>&1 && make install-lib-static >>"$DEPS/x264.log" 2>&1) ||
    { rm -rf "$stage"; die "x264 failed, see $DEPS/x264.log"; }
  stage_install "$stage"
  stamp "$tb"
}

build_faac() {
  local tb=faac-1.30.tar.gz
  verify_tarball $tb
  stamp_ok "$tb" && return 0
  log "building faac"
  local stage; stage=$(stage_begin $tb)
  (cd "$stage"/faac-* && ./bootstrap >"$DEPS/faac.log" 2>&1 &&
    CC=$HOST-gcc-posix ./configure --host=$HOST --prefix="$stage/prefix" --enable-static \
      --disable-shared >>"$DEPS/faac.log" 2>&1 &&
    make -j"$JOBS" -C libfaac install >>"$DEPS/faac.log" 2>&1 &&
    make -C include install >>"$DEPS/faac.log" 2>&1) ||
    { rm -rf "$stage"; die "faac failed, see $DEPS/faac.log"; }
  stage_install "$stage"
  stamp "$tb"
}

build_jpeg() {
  local tb=libjpeg-turbo-2.1.5.tar.gz
  verify_tarball $tb
  stamp_ok "$tb" && return 0
  log "building libjpeg-turbo"
  local dir; dir=$(unpack $tb)
  (cmake -S "$dir" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$PREFIX" \
      -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DCMAKE_BUILD_TYPE=Release \
      >"$DEPS/jpeg.log" 2>&1 &&
    cmake --build "$dir/build" -j"$JOBS" >>"$DEPS/jpeg.log" 2>&1 &&
    cmake --install "$dir/build" >>"$DEPS/jpeg.log" 2>&1) ||
    die "libjpeg-turbo failed, see $DEPS/jpeg.log"
  stamp "$tb"
}

build_gtest() {
  local ver
  ver=$(dpkg-query -W -f='${Version}' googletest)
  stamp_ok "googletest-$ver" && return 0
  log "building googletest $ver"
  rm -rf "$SRC/googletest"
  (cmake -S /usr/src/googletest -B "$SRC/googletest" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
      -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release >"$DEPS/gtest.log" 2>&1 &&
    cmake --build "$SRC/googletest" -j"$JOBS" >>"$DEPS/gtest.log" 2>&1 &&
    cmake --install "$SRC/googletest" >>"$DEPS/gtest.log" 2>&1) ||
    die "googletest failed, see $DEPS/gtest.log"
  stamp "googletest-$ver"
}

install_packages
[ "${1:-all}" = packages ] && exit 0
mkdir -p "$PREFIX" "$SRC"
build_x264 &
build_faac &
build_jpeg &
build_gtest &
fail=0
for job in $(jobs -p); do wait "$job" || fail=1; done
[ $fail -eq 0 ] || die "a library failed to build"
log "libraries ready in $PREFIX"
