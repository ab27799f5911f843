#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build
# under a virtual X display; the build on the headless platform, which links
# no window system, sound or media library, without a display; the Windows
# build, cross-built and run under Wine; the web build, in headless
# Chromium; then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer with the fuzz harnesses
# (clang).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

bash tools/install-deps.sh

run_suite() {  # build-dir
  # A private X display for the tests that open windows.
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$1" --output-on-failure -j "$jobs" --timeout 600
}

echo "== build (release with debug info)"
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/main -j "$jobs"
echo "== tests"
run_suite build/main

echo "== build (headless platform: no window system, sound or media library)"
cmake -S . -B build/headless -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRV_PLATFORM=headless \
  -DZRV_BUILD_BENCH=OFF >/dev/null
cmake --build build/headless -j "$jobs"
if ldd build/headless/game/reedfire | grep -E "libSDL2|libopenal|libmpv" ||
  grep -oE -- "-lSDL2|-lopenal|-lmpv|include/SDL2|include/AL" build/headless/build.ninja; then
  echo "the headless build links a library of the windowed platform" >&2
  exit 1
fi
echo "== tests (headless platform, no display)"
env -u DISPLAY -u WAYLAND_DISPLAY ctest --test-dir build/headless --output-on-failure -j "$jobs" \
  --timeout 600
# The same game, the same trace, whichever platform was built.
traces=$(mktemp -d)
printf '5 57 1\n6 57 0\n40 203 1\n90 203 0\n160 57 1\n161 57 0\n300 205 1\n380 205 0\n' \
  >"$traces/keys.txt"
for build in main headless; do
  (cd "$root/build/$build/game" && ./reedfire --headless --seed 3 --frames 900 \
    --keys "$traces/keys.txt" --trace "$traces/$build.trace" >/dev/null)
done
cmp "$traces/main.trace" "$traces/headless.trace"
(cd build/main/game && xvfb-run -a -s "-screen 0 1280x1024x24" ./reedfire --seed 3 --frames 300 \
  --keys "$traces/keys.txt" --screenshot "$traces/main.png" >/dev/null)

echo "== build (Windows: cross-built with MinGW-w64)"
bash tools/build-windows.sh
echo "== tests (Windows build under Wine)"
bash tools/test-windows.sh "$traces/main.trace" "$traces/main.png" "$traces/keys.txt"

echo "== build (web: WebAssembly and WebGL, with Emscripten)"
bash tools/build-web.sh
echo "== tests (web build in headless Chromium)"
python3 tests/web/web_test.py build/web "$traces/main.trace" "$traces/main.png" "$traces/keys.txt"
rm -rf "$traces"

echo "== build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, fuzz harnesses)"
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DZRV_SANITIZE=ON -DZRV_BUILD_FUZZ=ON -DZRV_BUILD_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
echo "== tests under sanitizers"
# intercept_tls_get_addr=0: the sanitizers' record of the main thread's
# dynamic TLS (glibc 2.36 with the GL driver's libraries) holds a bogus
# block, and the leak checker's scan of it crashed at the end of GL test
# programs ("Tracer caught signal 11"). Without the interceptor only that
# record is gone; stacks, static TLS and the heap are scanned as before.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
run_suite build/sanitize
