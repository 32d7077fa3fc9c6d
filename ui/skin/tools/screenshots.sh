#!/usr/bin/env bash
# screenshots.sh <win64 build dir> <output folder>
# Runs the layout renderer of a win64 build under wine on a private virtual display
# and leaves one PNG per layout (and per main-window page) in the output folder.
set -euo pipefail
build=$(cd "$1" && pwd) out=$2
here=$(cd "$(dirname "$0")" && pwd)
prefix_sh=$here/../../../tools/wine/prefix.sh
mkdir -p "$out"
out=$(cd "$out" && pwd)

for n in $(seq 130 160); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
cleanup() { "$prefix_sh" stop "$build/wineprefix"; kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
"$prefix_sh" warm "$build/wineprefix"
"$build/wine-run.sh" "$build/tests/ui/skin/render_layouts.exe" "Z:$out"
