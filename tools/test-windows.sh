#!/usr/bin/env bash
# Tests of the Windows build (tools/build-windows.sh makes it) under Wine
# on a virtual X display: the program needs no DLL but the system's;
# reedfire writes the same trace and draws the same picture as the Linux
# build; real X key events play it; the window system's and the devices'
# own checks; the runtime's tests that run on Windows. Usage:
#
#   bash tools/test-windows.sh LINUX_TRACE LINUX_SHOT KEYS
#
# LINUX_TRACE and LINUX_SHOT: what the Linux build wrote with
#   reedfire --headless --seed 3 --frames 900 --keys KEYS --trace LINUX_TRACE
#   reedfire --seed 3 --frames 300 --keys KEYS --screenshot LINUX_SHOT
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
reference=$(realpath "$1")
reference_shot=$(realpath "$2")
keys=$(realpath "$3")
if [ -z "${ZRV_IN_XVFB:-}" ]; then
  ZRV_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
exe=build/windows/game/reedfire.exe
one_file=build/windows/dist/reedfire.exe
fail() { echo "test-windows: $*" >&2; exit 1; }

# Wine's own folder for this build, made on first use (quiet: its first
# run reports every piece of its set-up).
export WINEPREFIX=$root/build/windows/wine WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -d "$WINEPREFIX" ] || "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot failed"

echo "-- only system DLLs imported"
# The players' machine has Windows' own DLLs and nothing else: no C or C++
# runtime of the compiler, no image, compression or device library.
for f in "$exe" "$one_file"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $dlls; do
    case $dll in
      kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | advapi32.dll | ws2_32.dll | \
        iphlpapi.dll | msvcrt.dll | winmm.dll | shell32.dll | ole32.dll | dsound.dll | \
        xinput1_4.dll | xinput9_1_0.dll | imm32.dll | shcore.dll | dwmapi.dll) ;;
      *) fail "$f imports $dll, which is not part of Windows" ;;
    esac
  done
  echo "$f: $(echo $dlls)"
done

echo "-- reedfire's headless trace equals the Linux build's"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# From the game's folder (Media beside it), with names from the root of
# the drive as a Linux user gives them.
(cd build/windows/game && "$wine" reedfire.exe --headless --seed 3 --frames 900 --keys "$keys" \
  --trace "$work/folder.trace" >"$work/folder.out" 2>&1) || fail "reedfire.exe failed: $(cat "$work/folder.out")"
grep -qx "exit" <(tr -d '\r' <"$work/folder.out") || fail "reedfire.exe did not say exit: $(cat "$work/folder.out")"
cmp "$reference" "$work/folder.trace" || fail "the trace of $exe differs from Linux's"
# The one-file program from another folder, with relative names.
cp "$one_file" "$keys" "$work/"
(cd "$work" && "$wine" reedfire.exe --headless --seed 3 --frames 900 --keys "$(basename "$keys")" \
  --trace one-file.trace >/dev/null 2>&1) || fail "the one-file reedfire.exe failed"
cmp "$reference" "$work/one-file.trace" || fail "the trace of $one_file differs from Linux's"
echo "traces equal ($(stat -c %s "$reference") bytes)"

echo "-- windowed: the picture at frame 300 equals the Linux build's"
(cd build/windows/game && "$wine" reedfire.exe --seed 3 --frames 300 --keys "$keys" \
  --screenshot "$work/shot.png" >"$work/shot.out" 2>&1) || fail "windowed run failed: $(cat "$work/shot.out")"
cmp "$reference_shot" "$work/shot.png" || fail "the screenshot differs from Linux's"
echo "screenshots equal ($(stat -c %s "$reference_shot") bytes)"

echo "-- windowed: X key events play; Escape and Alt+F4 end with exit"
# A run started as a player starts it (no script), its trace kept; no box
# about the software renderer, which would take the keys.
export ZRV_NO_DIALOGS=1
press() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; sleep 0.25; }
# Keys go to the window with the X focus. Wine without a window manager
# does not always keep it on its window (seen when the program starts),
# so it is given back before every key.
focus() {
  for _ in $(seq 1 25); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.2
  done
  return 1
}
key() {  # window key: a key, or alt+F4
  focus "$1" || true
  if [ "$2" = alt+F4 ]; then
    xdotool keydown Alt_L; sleep 0.1; press F4; xdotool keyup Alt_L
  else
    press "$2"
  fi
}
play() {  # name keys... end-key: starts reedfire.exe, presses the keys in
  # its window, then the key that must end it
  local name=$1 window="" pid tries=0
  shift
  (cd build/windows/game && exec "$wine" reedfire.exe --trace "$work/$name.trace") >"$work/$name.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 150); do
    window=$(xdotool search --onlyvisible --name '^reedfire$' 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { kill "$pid"; fail "$name: no reedfire window appeared"; }
  sleep 1
  while [ $# -gt 1 ]; do
    key "$window" "$1"
    shift
  done
  # The end key, again while the program runs: on a loaded machine Wine
  # may not have given the window the focus yet when it first comes. The
  # program must end by it; a wait for ever would hang CI.
  while kill -0 "$pid" 2>/dev/null && [ $tries -lt 4 ]; do
    tries=$((tries + 1))
    key "$window" "$1"
    for _ in $(seq 1 25); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "$name: $1 did not end reedfire.exe"; fi
  echo "$name: $1 ended it (presses: $tries)"
  wait "$pid" || fail "$name: reedfire.exe ended with status $?"
  tr -d '\r' <"$work/$name.out" | grep -qx exit || fail "$name: no exit line: $(cat "$work/$name.out")"
}
play escape space Right Right Right space space Escape
# The gun went right from where it started, and a bullet flew from there.
python3 - "$work/escape.trace" <<'PY' || fail "the keys did not move the gun and fire"
import json, sys
frames = [json.loads(line) for line in open(sys.argv[1])]
frames = [f for f in frames if f["guns"]]  # frames with the gun on the screen
if not frames:
    sys.exit("no frame with the gun was played")
start = frames[0]["guns"][0][0]
moved = [f for f in frames if f["guns"][0][0] > start]
fired = [f for f in moved if f["bullet_active"] and f["bullet_x"] == f["guns"][0][0]]
print(f"gun from x={start} to x={max(f['guns'][0][0] for f in frames)}, "
      f"{len(fired)} frames with its bullet in the air, {len(frames)} frames")
sys.exit(0 if moved and fired else 1)
PY
play alt-f4 space alt+F4
echo "Escape and Alt+F4 end with exit"

echo "-- Ctrl+C ends it through the orderly end"
# Wine turns SIGINT into the console's Ctrl+C event. It is sent once the
# game runs (its trace has frames), so that its handler is in place.
(cd build/windows/game && exec "$wine" reedfire.exe --headless --trace "$work/ctrl-c.trace") \
  >"$work/ctrl-c.out" 2>&1 &
pid=$!
for _ in $(seq 1 150); do [ -s "$work/ctrl-c.trace" ] && break; sleep 0.2; done
kill -INT "$pid"
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then kill -9 "$pid"; fail "Ctrl+C did not end reedfire.exe"; fi
wait "$pid" || fail "after Ctrl+C reedfire.exe ended with status $?"
tr -d '\r' <"$work/ctrl-c.out" | grep -qx exit || fail "no exit line after Ctrl+C: $(cat "$work/ctrl-c.out")"
echo "Ctrl+C ended it with exit"

# The rest of the Windows tree (the checks, the packer that is installed,
# the tests) is built before it is used.
cmake --build build/windows -j "${JOBS:-$(nproc)}" >/dev/null
cmake --build build/windows --target win32_backend_check win32_devices_check >/dev/null

echo "-- the window system's and the devices' checks (win32_backend_check, win32_devices_check)"
ZRV_IN_XVFB=1 bash tests/platform/win32/programs/run-checks.sh build/windows

# The sound output's recorded check (tests/platform/win32/programs/
# run-audio-check.sh) is not run here: Wine's PulseAudio driver lets the
# stream run dry now and then on CI's machine, so its frame-exact
# comparison fails for Wine's sake. The mixer's arithmetic is tested with
# the runtime's tests below.

echo "-- another game on the installed runtime, cross-built (README's first game, zrv_add_game)"
cmake --install build/windows --prefix "$work/prefix" >/dev/null
python3 tools/readme_snippets.py README.md "$work/game"
mkdir -p "$work/game/media" "$work/elsewhere"
cp assets/Media/gun.png "$work/game/media/ship.png"
mingw_prefix=$(sed -n 's/^ZRV_MINGW_PREFIX:PATH=//p' build/windows/CMakeCache.txt)
cmake -S "$work/game" -B "$work/game/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DZRV_MINGW_PREFIX="$mingw_prefix" -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DZRV_HOST_PACKER="$root/build/host-tools/tools/zrvpack" >/dev/null
cmake --build "$work/game/build" >/dev/null
cp "$work/game/build/mygame-packed.exe" "$work/elsewhere/"
for run in "$work/game/build/mygame.exe" "$work/elsewhere/mygame-packed.exe"; do
  out=$(cd "$work" && "$wine" "$run" --headless --frames 30 2>&1 | tr -d '\r')
  [ "$out" = exit ] || fail "$(basename "$run"): $out"
done
echo "mygame.exe and mygame-packed.exe (from another folder) run"

echo "-- the runtime's tests built for Windows (platform contract, types, path, files, net, images)"
# One Wine server for the whole run: a test started while the previous
# program's server was shutting down has been seen to die before its first
# line. A test that fails is run once more; a real fault fails twice.
"${wine%/wine64}/wineserver" -p 2>/dev/null || true
status=0
ctest --test-dir build/windows --output-on-failure -j "${JOBS:-$(nproc)}" --timeout 600 \
  --repeat until-pass:2 || status=$?
"${wine%/wine64}/wineserver" -k 2>/dev/null || true
exit $status
