#!/usr/bin/env bash
# Whole-command figures of hfp against hfp-devserver on loopback:
#   - prefetch throughput of 1089 level-16 tiles, plain and high-speed download;
#   - export of 8000 x 8000 pixels at level 16 from the disk cache: wall time and peak memory.
# The devserver draws every tile once first, so that its drawing is not measured.
#   bench/hfp-bench.sh [BUILD_FOLDER]     (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-release}"
# shellcheck source=bench/devserver.sh
. bench/devserver.sh
# 8000 pixels at level 16, scale 1, are 31.25 tiles: this area adds a tile on each side.
area=(--level 16 --area 138.644,35.292,138.818,35.434)

"$build/bin/hfp" --data-dir "$work/warm" --services "$services" prefetch "${area[@]}" \
  --high-speed >/dev/null 2>&1
for mode in plain high-speed; do
  flag=(); [ "$mode" = high-speed ] && flag=(--high-speed)
  start=$(date +%s.%N)
  "$build/bin/hfp" --data-dir "$work/$mode" --services "$services" prefetch "${area[@]}" \
    "${flag[@]}" 2>/dev/null
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v m="$mode" \
    'BEGIN { printf "prefetch %s: %.2f s, %.0f tiles/s\n", m, e - s, 1089 / (e - s) }'
done

/usr/bin/time -f "export 8000x8000: %e s wall, %M kB peak resident" \
  "$build/bin/hfp" --data-dir "$work/high-speed" --services "$services" export \
  --center-lon 49943139 --center-lat 12730626 --level 16 --scale 1 --size 8000x8000 \
  --out "$work/map.bmp" 2>&1 >/dev/null | tail -n 1
