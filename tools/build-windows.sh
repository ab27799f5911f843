#!/usr/bin/env bash
# Cross-builds reedfire for 64-bit Windows on Debian 12 and zips the one-file
# program for players: build/windows/reedfire-windows.zip.
#
# The target's libraries (libpng, libjpeg-turbo, LZO) are built from Debian's
# own source packages, once: they are kept outside the clone, in a folder
# named after the source versions, so that later runs (and CI on the same
# machine) reuse them. Safe to run again: only what is missing is installed
# or built. Runs as root or with sudo, like install-deps.sh.
#
#   JOBS=N       parallel build jobs (default: all cores)
#   ZRV_CACHE=D  where the built libraries are kept (default ~/.cache/zorvane)
set -euo pipefail

cd "$(dirname "$0")/.."
repo=$PWD
JOBS=${JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
source "$repo/tools/debian-sources.sh"

# --- Packages ---------------------------------------------------------------
# The Linux build's packages: the host packer is built natively.
bash tools/install-deps.sh

# The cross compilers (posix threads), Wine to try the program (the wine64
# package alone: /usr/lib/wine/wine64 reedfire.exe), zlib for the
# target, nasm for libjpeg-turbo's SIMD code, dpkg-dev to unpack and patch
# source packages, zip for the players' archive; a PulseAudio server and
# parec for the sound output's test, which records what Wine plays; Wine's
# DirectShow decodes through GStreamer's plugins, which the media player's
# checks use (the players' Windows has its own decoders).
packages=(mingw-w64 g++-mingw-w64-x86-64-posix wine64 libz-mingw-w64-dev nasm dpkg-dev zip
  pulseaudio pulseaudio-utils gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
install_missing "${packages[@]}"

# --- The target's libraries, from Debian's source packages ---------------------
sources=(libpng1.6 libjpeg-turbo lzo2)
source_versions "${sources[@]}"

cache=${ZRV_CACHE:-$HOME/.cache/zorvane}/mingw-w64
final=$cache/$cache_key
prefix=$final/prefix
mkdir -p "$cache"

# A prefix is used when its pkg-config files name the cached prefix and a
# program built with them links the four libraries in statically (no DLL
# of theirs needed). Each library's code is compiled with its own flags
# only, as the runtime's folders are. ROOT is where the prefix's files are
# now (pkg-config answers with the cached prefix).
check_prefix() {
  local root=$1 pc t
  for pc in libpng libjpeg lzo2; do
    if ! grep -qxF "prefix=$prefix" "$root/lib/pkgconfig/$pc.pc" 2>/dev/null; then
      echo "build-windows: $root/lib/pkgconfig/$pc.pc is missing or does not name $prefix" >&2
      return 1
    fi
  done
  pc_flags() {
    local f
    f=$(PKG_CONFIG_LIBDIR=$root/lib/pkgconfig:/usr/$triple/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR="" \
      pkg-config "$@") || return 1
    echo "${f//"$prefix"/$root}"
  }
  t=$(mktemp -d)
  printf '%s\n' '#include <png.h>' \
    'const char* png_v(void) { return png_get_libpng_ver(NULL); }' >"$t/libpng.c"
  printf '%s\n' '#include <stdio.h>' '#include <jpeglib.h>' \
    'void jpeg_v(void) { struct jpeg_error_mgr e; struct jpeg_decompress_struct d;' \
    '  d.err = jpeg_std_error(&e); jpeg_create_decompress(&d); jpeg_destroy_decompress(&d); }' >"$t/libjpeg.c"
  printf '%s\n' '#include <lzo1x.h>' \
    'const char* lzo_v(void) { return lzo_init() == LZO_E_OK ? lzo_version_string() : 0; }' >"$t/lzo2.c"
  printf '%s\n' '#include <zlib.h>' 'const char* zlib_v(void) { return zlibVersion(); }' >"$t/zlib.c"
  printf '%s\n' '#include <stdio.h>' \
    'const char* png_v(void); void jpeg_v(void); const char* lzo_v(void); const char* zlib_v(void);' \
    'int main(void) { jpeg_v(); printf("%s %s %s\n", png_v(), lzo_v(), zlib_v()); return 0; }' >"$t/main.c"
  local ok=1
  for pc in libpng libjpeg lzo2 zlib; do
    # shellcheck disable=SC2046 # a list of options
    $triple-gcc-posix -c -o "$t/$pc.o" "$t/$pc.c" $(pc_flags --cflags "$pc") >>"$t/log" 2>&1 || ok=0
  done
  # shellcheck disable=SC2046
  if [ $ok = 1 ] && $triple-gcc-posix -static -o "$t/check.exe" "$t/main.c" "$t"/{libpng,libjpeg,lzo2,zlib}.o \
    $(pc_flags --libs libpng libjpeg lzo2 zlib) >>"$t/log" 2>&1 &&
    ! $triple-objdump -p "$t/check.exe" | grep -qiE 'DLL Name: .*(zlib|png|jpeg|lzo)'; then
    rm -rf "$t"
    return 0
  fi
  cat "$t/log" >&2
  echo "build-windows: a program does not build statically with the libraries in $root" >&2
  rm -rf "$t"
  return 1
}

build_libraries() {
  # Built in a folder of its own and renamed into place when complete: an
  # interrupted run leaves only a .tmp folder, which the next run removes.
  local work=$cache/.tmp.$cache_key.$$
  local stage=$work/stage
  mkdir -p "$work/src" "$work/build" "$work/logs"
  # The install folders are typed: libjpeg-turbo declares them as PATH
  # cache entries, which would make an untyped "lib" relative to the
  # current folder.
  local cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake"
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_INSTALL_LIBDIR:PATH=lib -DCMAKE_INSTALL_INCLUDEDIR:PATH=include)
  fetch_sources "$work/src" "$work/logs" "${sources[@]}"
  local upstream

  upstream=${version[libpng1.6]%-*}
  say "building libpng $upstream"
  run "$work/logs/libpng.log" cmake -S "$work/src/libpng1.6-$upstream" -B "$work/build/libpng" "${cross[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$triple/include"
  run "$work/logs/libpng.log" cmake --build "$work/build/libpng" -j "$JOBS"
  run "$work/logs/libpng.log" env DESTDIR="$stage" cmake --install "$work/build/libpng"

  upstream=${version[libjpeg-turbo]%-*}
  say "building libjpeg-turbo $upstream"
  run "$work/logs/libjpeg-turbo.log" cmake -S "$work/src/libjpeg-turbo-$upstream" -B "$work/build/libjpeg-turbo" \
    "${cross[@]}" -DENABLE_SHARED=OFF
  run "$work/logs/libjpeg-turbo.log" cmake --build "$work/build/libjpeg-turbo" -j "$JOBS"
  run "$work/logs/libjpeg-turbo.log" env DESTDIR="$stage" cmake --install "$work/build/libjpeg-turbo"

  upstream=${version[lzo2]%-*}
  say "building lzo $upstream"
  mkdir -p "$work/build/lzo2"
  (
    cd "$work/build/lzo2"
    run "$work/logs/lzo2.log" "$work/src/lzo2-$upstream/configure" --host=$triple --disable-shared \
      --prefix="$prefix" CC=$triple-gcc-posix
    run "$work/logs/lzo2.log" make -j "$JOBS"
    run "$work/logs/lzo2.log" make install DESTDIR="$stage"
  )

  prefix_finish "$work" "$stage"
}

library_cache

# --- The packer, for the build machine ---------------------------------------
# The one-file program is made by running zrvpack at build time, so it must
# be a program of this machine, not of the target.
say "building the host zrvpack"
mkdir -p build/host-tools && : >build/host-tools/configure.log
run build/host-tools/configure.log cmake -S . -B build/host-tools -G Ninja -DZRV_PLATFORM=headless \
  -DZRV_BUILD_TESTS=OFF -DZRV_BUILD_BENCH=OFF
cmake --build build/host-tools --target zrvpack -j "$JOBS"

# --- reedfire for Windows ------------------------------------------------------
say "building reedfire for Windows"
# The pkg-config answers are asked again each time (-U), so that a prefix
# built again, or its .pc files changed, is not seen through old answers.
# The tests are configured (Wine runs them: tools/test-windows.sh builds
# and runs them) but only the game is built here.
mkdir -p build/windows && : >build/windows/configure.log
run build/windows/configure.log cmake -S . -B build/windows -G Ninja \
  -U '__pkg_config_checked_*' -U 'pkgcfg_lib_*' \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DZRV_MINGW_PREFIX="$prefix" -DZRV_PLATFORM=win32 \
  -DZRV_BUILD_TESTS=ON -DZRV_BUILD_BENCH=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$repo/tools/wine-run.sh" \
  -DZRV_HOST_PACKER="$repo/build/host-tools/tools/zrvpack" -DCMAKE_BUILD_TYPE=Release
cmake --build build/windows --target reedfire reedfire_packed -j "$JOBS"

# --- The players' zip -----------------------------------------------------------
# The one-file program needs nothing beside it; the readme is in CRLF lines
# for Windows editors.
zipdir=build/windows/zip
rm -rf "$zipdir" build/windows/reedfire-windows.zip
mkdir -p "$zipdir"
cp build/windows/dist/reedfire.exe "$zipdir/"
sed 's/$/\r/' >"$zipdir/README.txt" <<'EOF'
reedfire
========

Ducks fly in rows over a reed bank; shoot them from below.

Start: double-click reedfire.exe. It needs no other file and no install,
and runs from any folder.

Keys:
  Left, Right arrow keys   move the gun (seven positions)
  Space                    fire (one bullet in the air at a time)
  Escape or Alt+F4         quit

A hit is worth 5 points. A duck that gets back to the bottom-left corner
costs one of your three lives (shown as ducks at the top right) and the
level starts again. Shoot every duck of a level to reach the next one.
EOF
(cd "$zipdir" && zip -q -X ../reedfire-windows.zip reedfire.exe README.txt)
rm -rf "$zipdir"

# --- What was made --------------------------------------------------------------
size() { numfmt --to=iec --suffix=B "$(stat -c %s "$1")"; }
say "made:"
printf '  %-8s %s\n' \
  "$(du -sh "$prefix" | cut -f1)" "$prefix (libpng, libjpeg, lzo2 for $triple)" \
  "$(size build/host-tools/tools/zrvpack)" "build/host-tools/tools/zrvpack (host packer)" \
  "$(size build/windows/game/reedfire.exe)" "build/windows/game/reedfire.exe (with game/Media beside it)" \
  "$(size build/windows/dist/reedfire.exe)" "build/windows/dist/reedfire.exe (one file)" \
  "$(size build/windows/reedfire-windows.zip)" "build/windows/reedfire-windows.zip (reedfire.exe, README.txt)"
