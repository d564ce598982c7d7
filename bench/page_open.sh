#!/usr/bin/env bash
# How long headless chromium takes to open and draw the page of three years of
# day files for 40 meters, beyond opening an empty page: the median of ROUNDS.
#   bench/page_open.sh BUILD [ROUNDS]     (BUILD has bench/page_bench; a release build)
set -euo pipefail
build=$1 rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
VARKELO_BENCH_KEEP="$work" "$build/bench/page_bench" --benchmark_min_time=0.01 > /dev/null
page="$work/SG012345/report.html"
echo '<html><body></body></html>' > "$work/empty.html"

# Milliseconds for chromium to dump the DOM of URL, checked by PATTERN.
open_ms() {
  local started
  started=$(date +%s%N)
  timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --user-data-dir="$work/profile" --dump-dom "$1" 2> /dev/null | grep -q "$2" || { echo "not drawn: $1" >&2; exit 1; }
  echo $((($(date +%s%N) - started) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
empty=$(for _ in $(seq "$rounds"); do open_ms "file://$work/empty.html" body; done | median)
drawn=$(for _ in $(seq "$rounds"); do open_ms "file://$page" 'data-drawn="yes"'; done | median)
echo "page: $(stat -c %s "$page") bytes; opened and drawn in $((drawn - empty)) ms beyond an empty page ($drawn ms in all)"
