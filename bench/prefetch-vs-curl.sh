#!/usr/bin/env bash
# hfp prefetch (high speed) against a parallel curl over the same tile URLs, side by side: the
# 1089 level-16 tiles of bench/hfp-bench.sh from hfp-devserver on loopback, each run into a
# new empty folder. The devserver draws every tile once first, so its drawing is not measured.
# Nothing is deleted until the end: on a file system without a journal, ext4 passes over the
# inodes freed in the last seconds when it makes a file, which would make each run pay for
# the files the run before it deleted. The runs alternate hfp, curl, hfp, ... and the script
# prints each one's median rate and the median of the pairwise ratios hfp / curl (goal: at
# least 0.8).
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
    printf 'url = "%s/xyz/std/16/%s"\noutput = "CURL/%s"\n' "$services" "$t" "${t/\//-}"
  done ) >"$work/urls"
tiles=$(grep -c '^url' "$work/urls")

seconds() { local s; s=$(date +%s.%N); "$@" >/dev/null 2>&1; echo "$(date +%s.%N) - $s" | bc; }
hfp_times=() curl_times=() ratios=()
for run in $(seq "$runs"); do
  mkdir "$work/curl-$run"
  sed "s|CURL/|$work/curl-$run/|" "$work/urls" >"$work/urls-$run"
  h=$(seconds "${hfp[@]}" --data-dir "$work/hfp-$run" prefetch "${area[@]}" --high-speed)
  c=$(seconds curl -s -Z --parallel-max 8 -K "$work/urls-$run")
  fetched=$(ls "$work/curl-$run" | wc -l)
  [ "$fetched" -eq "$tiles" ] || { echo "curl fetched $fetched of $tiles" >&2; exit 1; }
  hfp_times+=("$h") curl_times+=("$c") ratios+=("$(echo "$c / $h" | bc -l)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
awk -v t="$tiles" -v h="$(median "${hfp_times[@]}")" -v c="$(median "${curl_times[@]}")" \
  -v r="$(median "${ratios[@]}")" 'BEGIN {
    printf "prefetch high-speed: %.3f s, %.0f tiles/s\n", h, t / h
    printf "curl -Z (8 at once): %.3f s, %.0f tiles/s\n", c, t / c
    printf "hfp rate / curl rate, median of pairs: %.2f\n", r }'
