#!/usr/bin/env bash
# Builds reedfire for the web on Debian 12: WebAssembly with WebGL, from
# Debian's Emscripten. Writes build/web/reedfire/ (index.html, reedfire.js,
# reedfire.wasm, reedfire.data), a folder any static web server can serve.
#
# The target's libraries (zlib, libpng, libjpeg-turbo, LZO) are built from
# Debian's own source packages, once, with Emscripten (its ports would be
# downloads): they are kept outside the clone, in a folder named after the
# compiler's and the sources' versions, so that later runs (and CI on the
# same machine) reuse them. Safe to run again. Runs as root or with sudo,
# like install-deps.sh.
#
#   JOBS=N       parallel build jobs (default: all cores)
#   ZRV_CACHE=D  where the built libraries are kept (default ~/.cache/zorvane)
set -euo pipefail

cd "$(dirname "$0")/.."
repo=$PWD
JOBS=${JOBS:-$(nproc)}
source "$repo/tools/debian-sources.sh"

# --- Packages ---------------------------------------------------------------
# The Linux build's packages (the build machine's Python and GL headers are
# read at build time); Emscripten; dpkg-dev to unpack and patch source
# packages; Chromium for the browser tests.
bash tools/install-deps.sh
packages=(emscripten dpkg-dev chromium)
install_missing "${packages[@]}"
# Debian's emcc runs its JavaScript tools with the machine's node, which
# finds Debian's own node modules (acorn and the like) only through this.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# --- The target's libraries, from Debian's source packages ---------------------
sources=(zlib libpng1.6 libjpeg-turbo lzo2)
source_versions "${sources[@]}"
emcc_version=$(emcc -dumpversion)
cache=${ZRV_CACHE:-$HOME/.cache/zorvane}/emscripten
final=$cache/emcc-${emcc_version}_$cache_key
prefix=$final/prefix
mkdir -p "$cache"

# A prefix is used when a program built with its pkg-config files links
# and runs (node runs what emcc makes).
check_prefix() {
  local root=$1 t ok=1
  t=$(mktemp -d)
  printf '%s\n' '#include <stdio.h>' '#include <png.h>' '#include <jpeglib.h>' '#include <lzo1x.h>' \
    '#include <zlib.h>' \
    'int main(void) { struct jpeg_error_mgr e; struct jpeg_decompress_struct d;' \
    '  d.err = jpeg_std_error(&e); jpeg_create_decompress(&d); jpeg_destroy_decompress(&d);' \
    '  printf("%s %s %s\n", png_get_libpng_ver(NULL), lzo_init() == LZO_E_OK ? lzo_version_string() : "-",' \
    '    zlibVersion()); return 0; }' >"$t/main.c"
  local flags
  # pkg-config answers with the final prefix; ROOT is where its files are now.
  flags=$(PKG_CONFIG_LIBDIR=$root/lib/pkgconfig pkg-config --cflags --libs libpng libjpeg lzo2 zlib) || ok=0
  flags=${flags//"$prefix"/$root}
  # shellcheck disable=SC2086 # a list of options
  # One file (the WebAssembly inside the .js): node then reads no second file.
  if [ $ok = 1 ] && emcc -sSINGLE_FILE=1 -o "$t/check.js" "$t/main.c" $flags >"$t/log" 2>&1 &&
    node "$t/check.js" >>"$t/log" 2>&1; then
    rm -rf "$t"
    return 0
  fi
  cat "$t/log" >&2
  echo "build-web: a program does not build with the libraries in $root" >&2
  rm -rf "$t"
  return 1
}

build_libraries() {
  # Built in a folder of its own and renamed into place when complete.
  local work=$cache/.tmp.$$
  mkdir -p "$work/src" "$work/build" "$work/logs"
  local stage=$work/stage
  fetch_sources "$work/src" "$work/logs" "${sources[@]}"
  local upstream
  local cross=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_INSTALL_LIBDIR:PATH=lib -DCMAKE_INSTALL_INCLUDEDIR:PATH=include)

  # zlib's CMake build insists on its shared library, which Emscripten
  # cannot make; its own configure script builds the static one.
  upstream=${version[zlib]%-*}
  upstream=${upstream#*:}
  say "building zlib $upstream"
  (
    cd "$work/src/zlib-$upstream"
    run "$work/logs/zlib.log" emconfigure ./configure --static --prefix="$prefix"
    run "$work/logs/zlib.log" emmake make -j "$JOBS" libz.a
    run "$work/logs/zlib.log" emmake make install DESTDIR="$stage"
  )

  upstream=${version[libpng1.6]%-*}
  say "building libpng $upstream"
  run "$work/logs/libpng.log" emcmake cmake -S "$work/src/libpng1.6-$upstream" -B "$work/build/libpng" \
    "${cross[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$stage$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$stage$prefix/include"
  run "$work/logs/libpng.log" cmake --build "$work/build/libpng" -j "$JOBS"
  run "$work/logs/libpng.log" env DESTDIR="$stage" cmake --install "$work/build/libpng"

  # CMake's type-size checks read the compiled test, which is WebAssembly
  # here: the sizes are given (wasm32).
  upstream=${version[libjpeg-turbo]%-*}
  say "building libjpeg-turbo $upstream"
  run "$work/logs/libjpeg-turbo.log" emcmake cmake -S "$work/src/libjpeg-turbo-$upstream" \
    -B "$work/build/libjpeg-turbo" "${cross[@]}" -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4
  run "$work/logs/libjpeg-turbo.log" cmake --build "$work/build/libjpeg-turbo" -j "$JOBS"
  run "$work/logs/libjpeg-turbo.log" env DESTDIR="$stage" cmake --install "$work/build/libjpeg-turbo"

  # LZO's configure knows no WebAssembly host: a 32-bit one of the same
  # type sizes makes it cross-compile (compile-only checks).
  upstream=${version[lzo2]%-*}
  say "building lzo $upstream"
  mkdir -p "$work/build/lzo2"
  (
    cd "$work/build/lzo2"
    run "$work/logs/lzo2.log" emconfigure "$work/src/lzo2-$upstream/configure" --host=i686-pc-linux-gnu --disable-shared \
      --prefix="$prefix"
    run "$work/logs/lzo2.log" emmake make -j "$JOBS"
    run "$work/logs/lzo2.log" emmake make install DESTDIR="$stage"
  )
  prefix_finish "$work" "$stage"
}

library_cache

# --- reedfire for the web -----------------------------------------------------
# The build machine's GL headers list the GL entry points and its Python
# writes the table: both come with install-deps.sh. GoogleTest is not built
# for this target (the browser tests drive the pages: tests/web); the one
# benchmark of the web is built by bench/web_vs_linux.sh when it is run.
say "building reedfire for the web"
mkdir -p build/web && : >build/web/configure.log
run build/web/configure.log cmake -S . -B build/web -G Ninja \
  -U '__pkg_config_checked_*' -U 'pkgcfg_lib_*' \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/emscripten.cmake" -DZRV_WEB_PREFIX="$prefix" -DZRV_PLATFORM=web \
  -DZRV_BUILD_TESTS=OFF -DZRV_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
cmake --build build/web --target reedfire -j "$JOBS"
rm -rf build/web/reedfire
cp -r build/web/game/reedfire build/web/reedfire

# --- Another game, from the installed package ------------------------------------
# The examples, built the way a game of its own is: against the runtime
# installed for the web, with zrv_add_game.
say "building the examples for the web from the installed runtime"
cmake --install build/web --prefix build/web/sdk >/dev/null
: >build/web/examples.log
run build/web/examples.log cmake -S examples -B build/web/examples -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/emscripten.cmake" -DZRV_WEB_PREFIX="$prefix" \
  -DCMAKE_PREFIX_PATH="$repo/build/web/sdk" -DCMAKE_BUILD_TYPE=Release
cmake --build build/web/examples -j "$JOBS"
# And the browser tests' own program.
: >build/web/checks.log
run build/web/checks.log cmake -S tests/web/programs -B build/web/checks -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/emscripten.cmake" -DZRV_WEB_PREFIX="$prefix" \
  -DCMAKE_PREFIX_PATH="$repo/build/web/sdk" -DCMAKE_BUILD_TYPE=Release
cmake --build build/web/checks -j "$JOBS"

# --- What was made --------------------------------------------------------------
say "made build/web/reedfire/ (serve the folder, open index.html):"
(cd build/web/reedfire && for f in *; do
  printf '  %-16s %8s  (%s gzipped)\n' "$f" "$(numfmt --to=iec --suffix=B "$(stat -c %s "$f")")" \
    "$(numfmt --to=iec --suffix=B "$(gzip -9c "$f" | wc -c)")"
done)
