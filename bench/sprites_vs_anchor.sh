#!/bin/sh
# Sprites per frame at 60 frames per second, the runtime beside its anchor
# in one run: the plain SDL2 program (three ways) and the runtime's
# benchmark, for 4 x 4 and 40 x 26 sprites of one texture and of two used
# in turn, and the mixed arcade scene (four 40 x 26 textures in turn, every
# fourth sprite rotated, every third half transparent; SDL_Renderer alone
# draws it among the anchors), round after round (the machine is noisy:
# compare within a run).
#
# Usage: bench/sprites_vs_anchor.sh BUILD_DIR [BEFORE_BUILD_DIR] [ROUNDS]
# BEFORE_BUILD_DIR: a build of an earlier state of the runtime (with this
# bench/gfx_sprites.cpp) whose bench_gfx_sprites is measured in the same
# rounds, alternating with this one. Needs a display:
# run under xvfb-run -a -s "-screen 0 1280x1024x24".
set -eu

build=${1:?usage: sprites_vs_anchor.sh BUILD_DIR [BEFORE_BUILD_DIR] [ROUNDS]}
before=${2:-}
rounds=${3:-2}
anchor="$build/bench/bench_anchor_sdl_sprites"
out=$(mktemp -d /tmp/zrv_sprites_vs_anchorXXXXXX)
trap 'rm -rf "$out"' EXIT

runtime() {  # label build_dir round width textures
  "$2/bench/bench_gfx_sprites" --benchmark_filter="BM_SpritesAt60Fps/$4/$5/" \
    --benchmark_format=json >"$out/$1.$3.$4.$5.json" 2>/dev/null
}

# Case by case, the anchor's three ways and the runtime one after the
# other, so that the machine's load changes as little as can be between
# the numbers of one row.
r=1
while [ "$r" -le "$rounds" ]; do
  for t in 1 2 4; do
    for w in 4 40; do
      [ "$t" = 4 ] && [ "$w" = 4 ] && continue
      for way in immediate renderer arrays; do
        "$anchor" "$way" "$w" "$t" >>"$out/anchor.$r.txt"
      done
      runtime after "$build" "$r" "$w" "$t"
      [ -n "$before" ] && runtime before "$before" "$r" "$w" "$t"
    done
  done
  r=$((r + 1))
done

python3 - "$out" "$rounds" "$before" <<'EOF'
import json, re, statistics, sys
out, rounds, before = sys.argv[1], int(sys.argv[2]), sys.argv[3]
cases = [(4, 1), (40, 1), (4, 2), (40, 2), (40, 4)]
ways = ["immediate", "renderer", "arrays"]
runs = ["after"] + (["before"] if before else [])
# results[(column, w, textures)] = [(sprites, cpu_us), ...] one per round
results = {}
for r in range(1, rounds + 1):
    for line in open(f"{out}/anchor.{r}.txt"):
        m = re.match(r"anchor_(\w+) (\d+)x\d+ textures=(\d) sprites_at_60fps=(\d+) "
                     r"cpu_us_per_sprite=([\d.]+)", line)
        if m:
            key = (m.group(1), int(m.group(2)), int(m.group(3)))
            results.setdefault(key, []).append((int(m.group(4)), float(m.group(5))))
    for run in runs:
        for w, t in cases:
            for b in json.load(open(f"{out}/{run}.{r}.{w}.{t}.json"))["benchmarks"]:
                results.setdefault((run, w, t), []).append(
                    (int(b["sprites_at_60fps"]), float(b["cpu_us_per_sprite"])))

def cell(key):
    values = results.get(key, [])
    if not values:
        return "-"
    return "%d (%.2f us)" % (statistics.median(v[0] for v in values),
                             statistics.median(v[1] for v in values))

def median(key):
    values = results.get(key, [])
    return statistics.median(v[0] for v in values) if values else 0

columns = ways + ["runtime " + run for run in runs]
print(f"Median of {rounds} rounds: sprites per frame at 60 fps (CPU per sprite)")
print("| Sprites | textures | " + " | ".join(columns) + " | runtime / best anchor |")
print("|---" * (len(columns) + 3) + "|")
for w, t in cases:
    size = "4 x 4" if w == 4 else "40 x 26"
    if t == 4:
        size, t = "40 x 26 mixed", 4
    row = [cell((way, w, t)) for way in ways] + [cell((run, w, t)) for run in runs]
    best = max(median((way, w, t)) for way in ways)
    ratio = median(("after", w, t)) / best if best else 0
    print(f"| {size} | {t} | " + " | ".join(row) + f" | {ratio:.2f} |")
print()
print("Every round:")
for key in sorted(results):
    print(" ", key, results[key])
EOF
