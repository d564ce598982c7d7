#!/usr/bin/env bash
# Reads out COUNT gateways (default 200) at the same time from one machine, as
# many timer units would, and reports the wall time of all runs together, the
# CPU time of the varkelo processes added up and the peak memory of one run.
# Needs root for the private network namespace.
#
# Usage: bench/many_gateways.sh [BUILD] [COUNT]   (BUILD: build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
count=${2:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$root/tools/gateway_fleet.sh" "$build" "$work" "$count"

failed=0
for dir in "$work"/gw*; do
  [ "$(cat "$dir/status")" -eq 0 ] && [ "$(cat "$dir/sim-status")" -eq 0 ] || failed=$((failed + 1))
done
# rusage: wall, user and system seconds, peak RSS in KiB.
cat "$work"/gw*/rusage | awk -v cores="$(nproc)" -v failed="$failed" '
  { cpu += $2 + $3; if ($4 > rss) rss = $4; if ($1 > longest) longest = $1 }
  END {
    printf "runs: %d, failed: %d, cores: %d\n", NR, failed, cores
    printf "CPU time of all runs: %.1f s (%.2f s a run)\n", cpu, cpu / NR
    printf "longest run: %.1f s\n", longest
    printf "peak RSS of one run: %.1f MiB\n", rss / 1024
  }'
[ "$failed" -eq 0 ]
