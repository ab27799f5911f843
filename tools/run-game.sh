#!/usr/bin/env bash
# Installs what is missing, builds the game and runs it in a window. Extra
# arguments go to the game (for example --headless or --frames 600).
# Without a display (and without arguments) it plays a ten-second scripted
# demo on a virtual display (Xvfb) and saves a screenshot of its last frame.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/main -j "$(nproc)" --target reedfire reedfire_packed

if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  shot="$(pwd)/build/main/reedfire-demo.png"
  keys="$(pwd)/build/main/reedfire-demo-keys.txt"
  # Frame, key scan code (57 Space, 203 left, 205 right), 1 down / 0 up:
  # start and keep firing, sweep the gun left and right, let go at the end.
  {
    echo "5 57 1"
    for f in 60 180 300 420; do
      echo "$f 203 1"
      echo "$((f + 30)) 203 0"
      echo "$((f + 60)) 205 1"
      echo "$((f + 100)) 205 0"
    done
    echo "590 57 0"
  } >"$keys"
  echo "No display: playing a 10-second demo of reedfire on a virtual display (Xvfb)."
  # Sound goes nowhere: there may be no sound card either.
  ALSOFT_DRIVERS=null xvfb-run -a -s "-screen 0 1280x1024x24" build/main/game/reedfire \
    --seed 8 --keys "$keys" --frames 600 --screenshot "$shot"
  echo "Screenshot of the demo's last frame: $shot"
  exit 0
fi
exec build/main/game/reedfire "$@"
