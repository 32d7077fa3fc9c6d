#!/usr/bin/env bash
# run-suite.sh <suite-name> <build-dir> [wine]
# Runs one build's ctest suite and prints its summary. With "wine", the tests run under
# wine in the build's private prefix, with a virtual display for windows.
set -uo pipefail
suite=$1 build=$2 mode=${3:-}
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$build/test-results" "$build/Testing/Temporary/LastTestsFailed.log"
mkdir -p "$build/test-results"

cleanup() { :; }
if [ "$mode" = wine ]; then
  prefix=$build/wineprefix
  # A display of our own for the windows the tests create.
  for n in $(seq 90 120); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { display=:$n; break; }
  done
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  "$here/../wine/prefix.sh" warm "$prefix"
  cleanup() { "$here/../wine/prefix.sh" stop "$prefix"; kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
fi
trap cleanup EXIT

cd "$build" || exit 1
ctest --output-on-failure --timeout 600 2>&1 | tee ctest.log | grep -v -E '^ *Start +[0-9]+:'
ctest_status=${PIPESTATUS[0]}
echo "== $suite ctest: $(grep -E 'tests passed|tests failed' ctest.log | tail -1)"
python3 "$here/summarize.py" "$suite" . | tee summary.txt
summary_status=${PIPESTATUS[0]}
[ "$ctest_status" -eq 0 ] && [ "$summary_status" -eq 0 ]
