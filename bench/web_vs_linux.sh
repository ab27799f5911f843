#!/bin/sh
# The web build beside the Linux build on this machine, in one run: the
# sprite scene's frame rate round by round and its sprites at 60 fps
# (bench/scene/sprite_scene.cpp), and reedfire's frames per second over
# 600 frames, natively on a virtual X display (Mesa) and in headless
# Chromium (software WebGL). Both are paced to 60 frames per second; what
# differs is how many sprites a frame can hold before the pace breaks.
#
# Usage: bench/web_vs_linux.sh BUILD_MAIN BUILD_WEB
# (build/main and build/web, after tools/build-web.sh)
set -eu
main=${1:?usage: web_vs_linux.sh BUILD_MAIN BUILD_WEB}
web=${2:?usage: web_vs_linux.sh BUILD_MAIN BUILD_WEB}
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$main" --target bench_sprite_scene reedfire >/dev/null
cmake --build "$web" --target bench_sprite_scene reedfire >/dev/null
rm -rf "$web/reedfire" && cp -r "$web/game/reedfire" "$web/reedfire"

echo "== Linux (Xvfb, Mesa)"
(cd "$main/bench" && xvfb-run -a -s "-screen 0 1280x1024x24" ./bench_sprite_scene | grep sprites)
start=$(date +%s.%N)
(cd "$main/game" && xvfb-run -a -s "-screen 0 1280x1024x24" ./reedfire --seed 3 --frames 600 >/dev/null)
end=$(date +%s.%N)
echo "reedfire: $(echo "600 / ($end - $start)" | bc -l | cut -c1-5) fps (600 frames, start-up included)"

echo "== Chromium (headless, SwiftShader WebGL)"
python3 - "$root/tests/web" "$web" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from browser import Browser, StaticServer
with StaticServer(sys.argv[2]) as server, Browser(autoplay=True) as browser:
    page = browser.open_page(server.url + 'bench/bench_sprite_scene/index.html')
    page.wait_for('window.zrvExitStatus !== undefined', timeout=600)
    print('\n'.join(line for line in page.console if line.startswith('sprites')))
    page = browser.open_page(server.url + 'reedfire/index.html?seed=3&frames=600')
    page.wait_for('window.zrvExitStatus !== undefined', timeout=120)
    print('reedfire: %.2f fps (600 frames, from the program\'s start)'
          % (600000 / page.evaluate('window.zrvRunMs')))
PY
