#!/usr/bin/env bash
# hfp export against GDAL's gdal_translate, side by side: 8000 x 8000 pixels at level 16 from
# tiles on disk, to BMP and to PNG. GDAL reads the same tiles from hfp-devserver through its
# TMS service (the WMS driver) with a disk cache; one warm-up run of each fills its cache, so
# the timed runs of both read PNG tiles from disk (the devserver's request count shows it).
# The runs alternate hfp, GDAL, hfp, ... so that a drift of the machine's speed hits both;
# the script prints each one's median wall time and peak resident memory, and the median of
# the pairwise time ratios.
#   bench/export-vs-gdal.sh [BUILD_FOLDER [RUNS]]     (default build-release, 5)
# Needs gdal-bin (apt-get install gdal-bin); it is not one of the project's dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-release}"
runs="${2:-5}"
command -v gdal_translate >/dev/null || { echo "needs gdal_translate (gdal-bin)" >&2; exit 1; }
# shellcheck source=bench/devserver.sh
. bench/devserver.sh

level=16 size=8000
lon=49943139 lat=12730626  # geo units: 138.7309 E, 35.3628 N
hfp=("$build/bin/hfp" --data-dir "$work/hfp" --services "$services")
"${hfp[@]}" prefetch --level "$level" --area 138.644,35.292,138.818,35.434 --high-speed \
  >/dev/null 2>&1

cat >"$work/tms.xml" <<XML
<GDAL_WMS>
  <Service name="TMS"><ServerUrl>$services/xyz/std/\${z}/\${x}/\${y}.png</ServerUrl></Service>
  <DataWindow>
    <UpperLeftX>-20037508.34</UpperLeftX><UpperLeftY>20037508.34</UpperLeftY>
    <LowerRightX>20037508.34</LowerRightX><LowerRightY>-20037508.34</LowerRightY>
    <TileLevel>$level</TileLevel><TileCountX>1</TileCountX><TileCountY>1</TileCountY>
    <YOrigin>top</YOrigin>
  </DataWindow>
  <Projection>EPSG:3857</Projection>
  <BlockSizeX>256</BlockSizeX><BlockSizeY>256</BlockSizeY><BandsCount>3</BandsCount>
  <Cache><Path>$work/gdal-cache</Path></Cache>
</GDAL_WMS>
XML
# The same window as hfp's: centred on the place, in the level's world pixels.
read -r xoff yoff < <(awk -v lon="$lon" -v lat="$lat" -v z="$level" -v s="$size" 'BEGIN {
  pi = atan2(0, -1); n = 256 * 2 ^ z; d = lon / 360000; f = lat / 360000 * pi / 180
  x = (d + 180) / 360 * n; y = (1 - log(sin(f) / cos(f) + 1 / cos(f)) / pi) / 2 * n
  printf "%d %d\n", x - s / 2, y - s / 2 }')

# Wall seconds and peak resident kB of one run of the command.
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
  cat "$work/time"
}
median() {
  sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
requests() { curl -s "$services/__stats" | sed 's/^{"total":\([0-9]*\).*/\1/'; }

for format in "bmp BMP" "png PNG"; do
  read -r ext driver <<<"$format"
  hfp_export=("${hfp[@]}" export --center-lon "$lon" --center-lat "$lat" --level "$level"
    --scale 1 --size "${size}x$size" --out "$work/hfp.$ext")
  gdal_export=(gdal_translate -q -srcwin "$xoff" "$yoff" "$size" "$size" -of "$driver"
    "$work/tms.xml" "$work/gdal.$ext")
  measure "${hfp_export[@]}" >/dev/null
  measure "${gdal_export[@]}" >/dev/null
  before=$(requests)
  : >"$work/hfp.times"
  : >"$work/gdal.times"
  : >"$work/ratios"
  for _ in $(seq "$runs"); do
    read -r ht hm < <(measure "${hfp_export[@]}")
    read -r gt gm < <(measure "${gdal_export[@]}")
    echo "$ht $hm" >>"$work/hfp.times"
    echo "$gt $gm" >>"$work/gdal.times"
    awk -v h="$ht" -v g="$gt" 'BEGIN { print h / g }' >>"$work/ratios"
  done
  for who in hfp gdal; do
    printf "%s %-4s median %5.2f s wall, %4d MB peak resident\n" "$ext" "$who" \
      "$(cut -d' ' -f1 "$work/$who.times" | median)" \
      "$(($(cut -d' ' -f2 "$work/$who.times" | median | cut -d. -f1) / 1024))"
  done
  printf "%s hfp/gdal time, median of %d pairs: %.2f (tile requests while timed: %d)\n" \
    "$ext" "$runs" "$(median <"$work/ratios")" $(($(requests) - before))
done
