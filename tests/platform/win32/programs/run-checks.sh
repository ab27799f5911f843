#!/usr/bin/env bash
# Runs win32_backend_check under Wine on a virtual X display: the checks of
# the backend, then the key mode with real X key events from xdotool, whose
# printout must match the keys sent; then win32_devices_check: the
# controllers (Wine has none here) and the media player on a WAV file:
# through DirectShow's device on a sound device of ALSA's null output, with
# no sound device (the player keeps time by the clock), and with the
# runtime's null output; a clip's pictures in a window, read off the screen.
#
#   tests/platform/win32/programs/run-checks.sh [BUILD_DIR]   (default build/windows)
#
# Needs wine64, xvfb-run and xdotool. Status 0 when everything matched.
set -euo pipefail

cd "$(dirname "$0")/../../../.."
build=${1:-build/windows}
exe=$build/tests/platform/win32/programs/win32_backend_check.exe
devices=$build/tests/platform/win32/programs/win32_devices_check.exe
for f in "$exe" "$devices"; do
  t=$(basename "$f" .exe)
  [ -f "$f" ] || { echo "run-checks: $f is not built (cmake --build $build --target $t)" >&2; exit 2; }
done
export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wine} WINEDEBUG=-all
wine=/usr/lib/wine/wine64

if [ -z "${ZRV_IN_XVFB:-}" ]; then
  ZRV_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

status=0
echo "== backend checks"
"$wine" "$exe" || status=1

echo "== keys through X"
out=$(mktemp)
"$wine" "$exe" keys 30 >"$out" 2>&1 &
pid=$!
for _ in $(seq 1 100); do grep -q ready "$out" && break; sleep 0.2; done
window=$(xdotool search --name '^keys$' | head -1)
xdotool windowfocus --sync "$window"
sleep 0.5
press() { xdotool keydown "$1"; sleep 0.1; xdotool keyup "$1"; sleep 0.2; }
for k in Left Right space Return KP_Enter a; do press "$k"; done
xdotool keydown Shift_L; sleep 0.1; press a; xdotool keyup Shift_L; sleep 0.2
# The system keys must not open a window menu: the keys after them arrive.
press F10
press Alt_L
press Right
# A click and a wheel step at a point of the drawing area.
xdotool mousemove --window "$window" 10 20; sleep 0.2
xdotool click 1; sleep 0.2
xdotool click 4; sleep 0.2
press Escape
# Alt+F4 asks the window to close.
xdotool keydown Alt_L; sleep 0.1; xdotool keydown F4; sleep 0.2; xdotool keyup F4 Alt_L
wait "$pid" || true

expected='ready
down 203 state 128 repeat 0 char 0
up 203 state 0
down 205 state 128 repeat 0 char 0
up 205 state 0
down 57 state 128 repeat 0 char 32
char 32
up 57 state 0
down 28 state 128 repeat 0 char 13
up 28 state 0
down 156 state 128 repeat 0 char 13
up 156 state 0
down 30 state 128 repeat 0 char 97
char 97
up 30 state 0
down 42 state 128 repeat 0 char 0
down 30 state 128 repeat 0 char 65
char 65
up 30 state 0
up 42 state 0
down 68 state 128 repeat 0 char 0
up 68 state 0
down 56 state 128 repeat 0 char 0
up 56 state 0
down 205 state 128 repeat 0 char 0
up 205 state 0
button 0 1 at 10,20
button 0 0 at 10,20
wheel 1
down 1 state 128 repeat 0 char 27
up 1 state 0
down 56 state 128 repeat 0 char 0
down 62 state 128 repeat 0 char 0
close
active 1
mouse wheel 1 buttons 000 cursor 10,20'
if diff <(echo "$expected") <(tr -d '\r' <"$out"); then
  echo "ok   the keys arrived as sent"
else
  echo "FAIL the keys differ from the ones sent (expected <, got >)"
  status=1
fi
rm -f "$out"

echo "== controllers"
"$wine" "$devices" joysticks 0 || status=1
echo "== media player"
# A sound device for Wine: ALSA's null output, in a configuration of its
# own. DirectShow plays to it in real time (its clock paces the renderer).
alsa=$(mktemp)
printf 'pcm.!default {\n  type null\n}\n' >"$alsa"
ALSA_CONFIG_PATH=$alsa "$wine" "$devices" media 2>/dev/null || status=1
rm -f "$alsa"
# Without it DirectShow has nothing to render to and says so on standard
# error; MCI's wave device takes the file then, and cannot play it.
"$wine" "$devices" media 2>/dev/null || status=1
"$wine" "$devices" media null 2>/dev/null || status=1
echo "== a clip's pictures in the game window"
"$wine" "$devices" video 2>/dev/null || status=1
exit $status
