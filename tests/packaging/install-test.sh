#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a desktop would: the desktop entry
# and the metadata validate, every installed file is where the menus, the icon theme and man
# look for it, and the program started by the entry's command finds its manual and print logo
# in the installation and draws its first map (offscreen, without a network).
#   install-test.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
prefix=$(mktemp -d)
program=""
trap 'if [ -n "$program" ]; then kill "$program" 2>/dev/null; wait "$program" 2>/dev/null; fi; rm -rf "$prefix"' EXIT
fail() { echo "install-test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix/usr" >/dev/null

share="$prefix/usr/share"
for file in bin/HollowfernPlotter bin/hfp bin/hfp-devserver bin/uplift \
            share/applications/hollowfernplotter.desktop \
            share/metainfo/org.hollowfern.Plotter.metainfo.xml \
            share/icons/hicolor/scalable/apps/hollowfernplotter.svg \
            share/icons/hicolor/48x48/apps/hollowfernplotter.png \
            share/icons/hicolor/256x256/apps/hollowfernplotter.png \
            share/man/man1/HollowfernPlotter.1 share/man/man1/uplift.1 \
            share/hollowfernplotter/printlogo.png share/hollowfernplotter/help/index.html; do
  [ -e "$prefix/usr/$file" ] || fail "not installed: $file"
done
if command -v help2man >/dev/null; then
  for page in hfp hfp-devserver; do
    [ -e "$share/man/man1/$page.1" ] || fail "no man page for $page"
  done
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$share/applications/hollowfernplotter.desktop"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share/metainfo/org.hollowfern.Plotter.metainfo.xml" >/dev/null
fi

version=$(sed -n 's/^project(HollowfernPlotter VERSION \([0-9.]*\).*/\1/p' \
  "$(dirname "$0")/../../CMakeLists.txt")
[ "$("$prefix/usr/bin/hfp" --version)" = "hfp $version" ] || fail "hfp --version is not $version"

# The entry's command, as a desktop starts it: through PATH.
command=$(sed -n 's/^Exec=//p' "$share/applications/hollowfernplotter.desktop")
work="$prefix/work"
mkdir -p "$work"
PATH="$prefix/usr/bin:$PATH" HFP_TRACE=1 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
  XDG_CONFIG_HOME="$work" HFP_DATA_DIR="$work/data" HFP_SERVICES=http://127.0.0.1:9 \
  $command >/dev/null 2>"$work/trace" &
program=$!
for _ in $(seq 600); do
  grep -qs "first complete map painted" "$work/trace" && break
  kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/trace")"
  sleep 0.1
done
grep -q "manual $share/hollowfernplotter/help/index.html, print logo $share/hollowfernplotter/printlogo.png" \
  "$work/trace" || fail "the installed program does not find its files: $(grep manual "$work/trace")"
grep -q "first complete map painted" "$work/trace" || fail "no map drawn"
echo "install-test: installed and started from the desktop entry"
