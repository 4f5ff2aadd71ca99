#!/usr/bin/env bash
# hfp prefetch (high speed) against a parallel curl over the same tile URLs, side by side: the
# 1089 level-16 tiles of bench/hfp-bench.sh from hfp-devserver on loopback, each run into an
# empty folder. The devserver draws every tile once first, so its drawing is not measured. The
# runs alternate hfp, curl, hfp, ... and the script prints each one's median rate and the
# median of the pairwise ratios hfp / curl (goal: at least 0.8).
#   bench/prefetch-vs-curl.sh [BUILD_FOLDER [RUNS]]     (default build-release, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-release}"
runs="${2:-5}"
# shellcheck source=bench/devserver.sh
. bench/devserver.sh
area=(--level 16 --area 138.644,35.292,138.818,35.434)
hfp=("$build/bin/hfp" --services "$services")
"${hfp[@]}" --data-dir "$work/warm" prefetch "${area[@]}" --high-speed >/dev/null 2>&1
( cd "$work/warm/map/xyz16" && for t in */*.png; do
    printf 'url = "%s/xyz/std/16/%s"\noutput = "%s/curl/%s"\n' "$services" "$t" "$work" "${t/\//-}"
  done ) >"$work/urls"
tiles=$(grep -c '^url' "$work/urls")

seconds() { local s; s=$(date +%s.%N); "$@" >/dev/null 2>&1; echo "$(date +%s.%N) - $s" | bc; }
hfp_times=() curl_times=() ratios=()
for run in $(seq "$runs"); do
  rm -rf "$work/run" "$work/curl" && mkdir -p "$work/curl"
  h=$(seconds "${hfp[@]}" --data-dir "$work/run" prefetch "${area[@]}" --high-speed)
  c=$(seconds curl -s -Z --parallel-max 8 -K "$work/urls")
  [ "$(ls "$work/curl" | wc -l)" -eq "$tiles" ] || { echo "curl fetched $(ls "$work/curl" | wc -l) of $tiles" >&2; exit 1; }
  hfp_times+=("$h") curl_times+=("$c") ratios+=("$(echo "$c / $h" | bc -l)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
awk -v t="$tiles" -v h="$(median "${hfp_times[@]}")" -v c="$(median "${curl_times[@]}")" \
  -v r="$(median "${ratios[@]}")" 'BEGIN {
    printf "prefetch high-speed: %.3f s, %.0f tiles/s\n", h, t / h
    printf "curl -Z (8 at once): %.3f s, %.0f tiles/s\n", c, t / c
    printf "hfp rate / curl rate, median of pairs: %.2f\n", r }'
