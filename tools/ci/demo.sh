#!/usr/bin/env bash
# demo.sh <win64-build-dir>: runs the program under wine and shows what it wrote.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
prefix=$build/wineprefix
"$here/../wine/prefix.sh" warm "$prefix"
trap '"$here/../wine/prefix.sh" stop "$prefix"' EXIT

exe=$build/app/KorvaneLumetraSetup.exe
echo "== running $exe under wine"
set +e
"$build/wine-run.sh" "$exe"
code=$?
set -e
echo "== exit code: $code"
temp=$(WINEPREFIX=$prefix WINEDEBUG=-all wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
log=$(WINEPREFIX=$prefix WINEDEBUG=-all winepath -u "$temp\\Korvane\\ORB\\kvORB.log" 2>/dev/null)
echo "== $temp\\Korvane\\ORB\\kvORB.log ($log):"
tail -n 5 "$log"
exit "$code"
