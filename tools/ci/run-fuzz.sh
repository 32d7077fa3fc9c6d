#!/usr/bin/env bash
# run-fuzz.sh <fuzz-build-dir> <seconds> <target>...: runs each libFuzzer target for a
# fixed time with its corpus under <build>/corpus/<target>; fails on any finding.
set -euo pipefail
build=$1 seconds=$2; shift 2
status=0
for target in "$@"; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus" "$build/findings"
  echo "== $target for ${seconds}s"
  if ! "$build/tests/fuzz/$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/findings/$target-" 2>"$build/$target.log"; then
    status=1
    echo "$target: FINDING (see $build/$target.log and $build/findings/)"
    tail -n 30 "$build/$target.log"
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/$target.log" | sed "s/^/$target: /" || true
done
exit $status
