#!/usr/bin/env bash
# How long headless chromium takes to open the page of three years of day
# files for 40 meters and draw it: from the start of loading to the first frame
# after the page's script, the median of ROUNDS.
#   bench/page_open.sh BUILD [ROUNDS]     (BUILD has bench/page_bench; a release build)
# The page is measured in a copy that reports the time on the console: the
# copy leaves out the policy, which would forbid the reporting script.
set -euo pipefail
build=$1 rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
VARKELO_BENCH_KEEP="$work" "$build/bench/page_bench" --benchmark_min_time=0.01 > /dev/null 2>&1
page="$work/SG012345/report.html"
report='<script>requestAnimationFrame(function () { setTimeout(function () {
  console.log("drawn at " + Math.round(performance.now()) + " ms"); }); });</script>'
sed 's/<meta http-equiv="Content-Security-Policy"[^>]*>//' "$page" | sed "s|</body>|${report//$'\n'/ }</body>|" > "$work/timed.html"
for _ in $(seq "$rounds"); do
  timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --user-data-dir="$work/profile" --enable-logging=stderr --v=0 --dump-dom "file://$work/timed.html" 2>&1 > /dev/null |
    grep -o 'drawn at [0-9]*' | grep -o '[0-9]*$'
done | sort -n | awk -v bytes="$(stat -c %s "$page")" '{ v[NR] = $1 }
  END { if (!NR) exit 1; print "page: " bytes " bytes; drawn " v[int((NR + 1) / 2)] " ms after it began to load (median of " NR ")" }'
