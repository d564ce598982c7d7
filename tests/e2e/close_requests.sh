#!/usr/bin/env bash
# Close requests through the real signal path, command lines that start no
# run, and a report that cannot be written. SIGTERM, SIGINT and SIGHUP sent again and again while varkelo exports a
# whole image are refused and dropped: the export finishes, "error.txt" says
# 成功, the tree is whole and no temporary file is left.
set -euo pipefail
build=$(cd "$1" && pwd)
varkelo="$build/src/app/varkelo"
maker="$build/tools/make_sample_image"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$maker" --layout interval --seed 3 --days 60 --meters 40 --out "$work/image.nmd" > /dev/null
mkdir -p "$work/expected" "$work/app"
cp "$work/image.nmd" "$work/expected/read.nmd"
cp "$work/image.nmd" "$work/app/read.nmd"
"$varkelo" --export-only --folder "$work/expected" > /dev/null

"$varkelo" --export-only --exit-code --folder "$work/app" > "$work/console.txt" &
pid=$!
for _ in $(seq 2000); do
  grep -q "CSV作成中" "$work/console.txt" 2> /dev/null && break
  sleep 0.005
done
sent=0
while kill -TERM "$pid" 2> /dev/null && kill -INT "$pid" 2> /dev/null && kill -HUP "$pid" 2> /dev/null; do
  sent=$((sent + 1))
  sleep 0.002
done
status=0
wait "$pid" || status=$?
[ "$sent" -gt 0 ] || fail "no signal reached the export"
[ "$status" -eq 0 ] || fail "exit status $status after $sent rounds of signals"
printf '\x90\xac\x8c\xf7\r\n' | cmp -s - "$work/app/error.txt" || fail "error.txt"
diff -r "$work/expected/SG012345" "$work/app/SG012345" > /dev/null || fail "the CSV tree differs"
[ -z "$(find "$work/app" -name '*.tmp')" ] || fail "temporary files left: $(find "$work/app" -name '*.tmp')"

# A command line that says something else was meant: usage error, no run, no report.
for args in "--no-such-option" "stray-argument" "--folder $work/missing"; do
  status=0
  # shellcheck disable=SC2086
  (cd "$work/app" && rm -f error.txt && "$varkelo" $args > /dev/null 2> "$work/usage.txt") || status=$?
  [ "$status" -eq 64 ] || fail "'$args': exit status $status"
  [ -s "$work/usage.txt" ] || fail "'$args': no usage error on standard error"
  [ ! -e "$work/app/error.txt" ] || fail "'$args': error.txt written"
done
# A report that cannot be written: said on standard error, exit status 7 whatever the options.
mkdir -p "$work/blocked/error.txt"
for options in "" "--exit-code"; do
  status=0
  # shellcheck disable=SC2086
  "$varkelo" --export-only $options --folder "$work/blocked" > /dev/null 2> "$work/report.txt" || status=$?
  [ "$status" -eq 7 ] || fail "report not written ($options): exit status $status"
  grep -q "error.txt" "$work/report.txt" || fail "report not written ($options): nothing said"
done
echo "1 passed, 0 failed"
