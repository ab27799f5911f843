#!/usr/bin/env bash
# Runs win32_audio_check under Wine with a sound output that is heard: a
# PulseAudio server of the script's own whose one sink is a null sink at
# 22050 Hz, 16-bit stereo (it keeps real time as a card would), and whose
# monitor is recorded with parec. Wine plays through winepulse.drv. The
# recording must hold what the program played, to the frame and to the
# value: the sides' levels are exactly the gains times the sample's.
#
#   tests/platform/win32/programs/run-audio-check.sh [BUILD_DIR]   (default build/windows)
#
# Needs wine64, pulseaudio and pulseaudio-utils (parec). Status 0 when
# everything matched.
set -euo pipefail

cd "$(dirname "$0")/../../../.."
root=$PWD
build=${1:-build/windows}
exe=$build/tests/platform/win32/programs/win32_audio_check.exe
[ -f "$exe" ] || { echo "run-audio-check: $exe is not built (cmake --build $build --target win32_audio_check)" >&2; exit 2; }
for tool in pulseaudio pactl parec; do
  command -v "$tool" >/dev/null || { echo "run-audio-check: $tool is missing (apt-get install pulseaudio pulseaudio-utils)" >&2; exit 2; }
done
export WINEPREFIX=${WINEPREFIX:-$root/$build/wine} WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -d "$WINEPREFIX" ] || "$wine" wineboot --init >/dev/null 2>&1

work=$(mktemp -d)
pulse_pid=""
cleanup() {
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The server's socket, cookie and settings stay in the work folder, away
# from any session's own server.
export XDG_RUNTIME_DIR=$work/run HOME=$work/home PULSE_SERVER=unix:$work/run/pulse/native
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$work/default.pa" <<'EOF'
load-module module-null-sink sink_name=capture rate=22050 format=s16le channels=2
set-default-sink capture
load-module module-native-protocol-unix
EOF
pulseaudio -n -F "$work/default.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --system=false >"$work/pulse.log" 2>&1 &
pulse_pid=$!
for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "run-audio-check: pulseaudio did not start: $(cat "$work/pulse.log")" >&2; exit 1; }

# One run: the program's own checks, and the recording compared. Status 2
# when the recording has silence inside a sound: Wine's stream ran dry
# because the machine was too busy to feed it, which says nothing of the
# output; such a run is tried again.
attempt() {
  local raw=$work/capture.raw status=0
  parec -d capture.monitor --format=s16le --rate=22050 --channels=2 --raw --latency-msec=200 >"$raw" &
  local parec_pid=$!
  sleep 0.5
  "$wine" "$exe" >"$work/check.out" 2>&1 || status=1
  sleep 0.5
  kill "$parec_pid"
  wait "$parec_pid" 2>/dev/null || true
  tr -d '\r' <"$work/check.out"
  python3 - "$raw" "$status" <<'PY'
import array, sys

data = array.array("h", open(sys.argv[1], "rb").read())
if sys.byteorder != "little":
    data.byteswap()
left, right = data[0::2], data[1::2]
checked_ok = sys.argv[2] == "0"

def wave(f):
    k = f % 50
    return -20000 + 1600 * k if k < 25 else 20000 - 1600 * (k - 25)

# Runs of frames with sound, and the sounds: runs less than 0.2 s apart.
runs, start = [], None
for i in range(len(left)):
    loud = left[i] != 0 or right[i] != 0
    if loud and start is None:
        start = i
    elif not loud and start is not None:
        runs.append((start, i))
        start = None
if start is not None:
    runs.append((start, len(left)))
sounds = []
for r in runs:
    if sounds and r[0] - sounds[-1][-1][1] < 4410:
        sounds[-1].append(r)
    else:
        sounds.append([r])
print(f"recorded {len(left)} frames; {len(sounds)} sounds")
if len(sounds) != 3:
    sys.exit(f"FAIL expected 3 sounds, heard {len(sounds)}: {[(s[0][0], s[-1][1]) for s in sounds]}")

failures = 0
def check(ok, what):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    failures += 0 if ok else 1

def frames(sound):
    return [(left[i], right[i]) for a, b in sound for i in range(a, b)]

# 1. left = wave / 2, right = wave / 8; 2. left silent, right = wave / 2.
for n, (sound, length, expect) in enumerate(
    [(sounds[0], 22050, lambda f: (wave(f) // 2, wave(f) // 8)),
     (sounds[1], 11025, lambda f: (0, wave(f) // 2))], 1):
    got = frames(sound)
    want = [expect(f) for f in range(length)]
    peak_l = max(abs(l) for l, _ in got)
    peak_r = max(abs(r) for _, r in got)
    check(got == want, f"sound {n}: {len(got)} frames (want {length}), peaks left {peak_l} "
          f"right {peak_r} (want {max(abs(l) for l, _ in want)} {max(abs(r) for _, r in want)}), "
          f"{'equal' if got == want else 'different'} frame by frame")

# 3. The looping 8-bit sample: left (40 * 256) * 0.25, right (-80 * 256) * 1,
# for the 300 ms between play and stop.
got = frames(sounds[2])
check(set(got) == {(2560, -20480)}, f"sound 3: levels {sorted(set(got))[:4]} (want (2560, -20480))")
check(5500 <= len(got) <= 8500, f"sound 3: {len(got)} frames looped (300 ms is 6615)")

dry = sum(len(s) - 1 for s in sounds)
if dry:
    print(f"the stream ran dry {dry} times inside the sounds")
    sys.exit(2)
sys.exit(0 if failures == 0 and checked_ok else 1)
PY
}

for try in 1 2 3; do
  echo "== audio check, run $try"
  status=0
  attempt || status=$?
  [ "$status" = 2 ] && continue
  exit "$status"
done
echo "run-audio-check: the machine was too busy to feed the output in each of three runs" >&2
exit 1
