#!/usr/bin/env bash
# varkelo --export-only on a sample image (the layouts' trees are the sample
# export test's): "error.txt", the CSV tree, a second export over the first
# under close requests, a run without an image, command lines that start no
# run, a report that cannot be written.
source "$(dirname "$0")/common.bash"

app="$work/first"
mkdir -p "$app"
"$maker" --layout interval --seed 7 --days 60 --meters 40 --device-id SG012345ABCD --out "$app/read.nmd" > /dev/null
"$varkelo" --export-only --exit-code --folder "$app" > "$app/console.txt" || fail "exit status $?"
report_is "$app/error.txt" 成功 || fail "error.txt"
grep -q "CSV作成中" "$app/console.txt" || fail "no status line"
days=$(find "$app/SG012345" -mindepth 2 -name '*.csv' | wc -l)
[ "$days" -ge 60 ] || fail "only $days day files"
cp -r "$app/SG012345" "$work/tree"

# A second export over the first, with SIGTERM, SIGINT and SIGHUP sent again and
# again: they are refused; it finishes with 成功, the same tree and no temporary file left.
rm "$app/error.txt"
"$varkelo" --export-only --exit-code --folder "$app" > "$work/console.txt" &
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
[ "$sent" -gt 0 ] || fail "no signal reached the export"
expect_status 0 wait "$pid"
report_is "$app/error.txt" 成功 || fail "second export: error.txt"
diff -r "$work/tree" "$app/SG012345" > /dev/null || fail "a second export differs"
[ -z "$(find "$app" -name '*.tmp')" ] || fail "temporary files left: $(find "$app" -name '*.tmp')"

# No image: a CSV error, and nothing made.
mkdir "$work/empty"
expect_status 5 "$varkelo" --export-only --exit-code --folder "$work/empty" > /dev/null
report_is "$work/empty/error.txt" "CSVの作成中にエラーが発生しました。" || fail "no image: error.txt"
[ "$(ls "$work/empty")" == "error.txt" ] || fail "no image: made $(ls "$work/empty")"

# A command line that says something else was meant: usage error, no run, no report.
cd "$work/empty" && rm error.txt
for args in "--no-such-option" "stray-argument" "--folder $work/missing"; do
  # shellcheck disable=SC2086
  expect_status 64 "$varkelo" $args > /dev/null 2> "$work/usage.txt"
  [ -s "$work/usage.txt" ] || fail "'$args': no usage error on standard error"
  [ ! -e error.txt ] || fail "'$args': error.txt written"
done
# A report that cannot be written: said on standard error, exit status 7 whatever the options.
mkdir -p "$work/blocked/error.txt"
for options in "" "--exit-code"; do
  # shellcheck disable=SC2086
  expect_status 7 "$varkelo" --export-only $options --folder "$work/blocked" > /dev/null 2> "$work/report.txt"
  grep -q "error.txt" "$work/report.txt" || fail "report not written ($options): nothing said"
done
echo "1 passed, 0 failed"
