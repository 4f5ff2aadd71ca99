#!/usr/bin/env bash
# Wall time of HollowfernPlotter from its start to the first complete map, with the tiles on
# disk: the level-16 tiles around the default centre are fetched from hfp-devserver first, then
# the program starts on the offscreen platform with no server at all, and the time until it
# traces "first complete map painted" is printed, five runs.
#   bench/app-start.sh [BUILD_FOLDER]     (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-release}"
# shellcheck source=bench/devserver.sh
. bench/devserver.sh
program=""
extra_cleanup='if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi'
hfp=("$build/bin/hfp" --data-dir "$work/data" --services "$services")
"${hfp[@]}" prefetch --level 16 --area 138.68,35.33,138.78,35.39 --high-speed 2>/dev/null
"${hfp[@]}" settings set MapType 9 >/dev/null

mkfifo "$work/trace"
for run in 1 2 3 4 5; do
  start=$(date +%s%N)
  HFP_TRACE=1 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work" \
    "$build/bin/HollowfernPlotter" --data-dir "$work/data" --services http://127.0.0.1:9 \
    >/dev/null 2>"$work/trace" &
  program=$!
  while IFS= read -r line; do
    if [[ $line == *"first complete map painted"* ]]; then
      echo "run $run: first complete map after $((($(date +%s%N) - start) / 1000000)) ms"
      break
    fi
  done <"$work/trace"
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  program=""
done
