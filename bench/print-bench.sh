#!/usr/bin/env bash
# hfp print figures against hfp-devserver on loopback, with the tiles on disk (a first print
# fetches them, the second is measured):
#   - 2 x 2 A4 sheets at 300 dpi: wall time and peak resident memory;
#   - 2 x 2 A3 sheets at 600 dpi: wall time and peak resident memory.
#   bench/print-bench.sh [BUILD_FOLDER]     (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-release}"
# shellcheck source=bench/devserver.sh
. bench/devserver.sh
hfp=("$build/bin/hfp" --data-dir "$work/data" --services "$services")
export XDG_CONFIG_HOME="$work/config"
for kv in Print-PrintNumberHorizontal0=2 Print-PrintNumberVertical0=2 Print-PrintRepetition0=10 \
  Print-PrintLongitudeLine0=true Print-PrintLatitudeLine0=true \
  Print-PrintVerticalDistanceLine0=true Print-PrintHorizontalDistanceLine0=true; do
  "${hfp[@]}" settings set "${kv%%=*}" "${kv#*=}" >/dev/null
done
for run in "A4 300" "A3 600"; do
  read -r paper dpi <<<"$run"
  "${hfp[@]}" print --pdf "$work/warm.pdf" --paper "$paper" --dpi "$dpi" >/dev/null 2>&1
  /usr/bin/time -f "print 2x2 $paper at $dpi dpi: %e s wall, %M kB peak resident" \
    "${hfp[@]}" print --pdf "$work/$paper.pdf" --paper "$paper" --dpi "$dpi" 2>&1 >/dev/null |
    tail -n 1
done
