#!/usr/bin/env bash
# Installs what is missing, builds the game and runs it. Extra arguments go
# to the game (for example --headless or --frames 600).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/main -j "$(nproc)" --target reedfire
exec build/main/game/reedfire "$@"
