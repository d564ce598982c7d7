#!/usr/bin/env bash
# varkelo --export-only on sample images of both layouts: "error.txt" and the
# whole CSV tree, byte for byte, against a digest recorded from a reviewed
# export (a change to any day file, start file, meter list or name changes it;
# the failure shows the new one); a second export over the first under close
# requests; command lines that start no run.
source "$(dirname "$0")/common.bash"

tree_digest() { (cd "$1" && find . -type f | LC_ALL=C sort | xargs -d '\n' sha256sum) | sha256sum | cut -d' ' -f1; }
for sample in "half 7 40 12 39b35b41d59e0ebedc9a9acd00bb31fc340f9cac6f9b11e16d4fee8e22e281f1" \
  "interval 3 60 40 b49bf9d0d25d103dc61f8d723c988f364329f5ba1f7d337e98f27a8b6faf73bd"; do
  read -r layout seed days meters digest <<< "$sample"
  app="$work/$layout"
  mkdir "$app"
  "$maker" --layout "$layout" --seed "$seed" --days "$days" --meters "$meters" --out "$app/read.nmd" > /dev/null
  "$varkelo" --export-only --exit-code --folder "$app" > "$app/console.txt" || fail "$layout: exit status $?"
  report_is "$app/error.txt" 成功 || fail "$layout: error.txt"
  grep -q "CSV作成中" "$app/console.txt" || fail "$layout: no status line"
  [ "$(tree_digest "$app/SG012345")" == "$digest" ] || fail "$layout: the tree's digest is $(tree_digest "$app/SG012345")"
done
app="$work/interval"
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

# A command line that says something else was meant: usage error, no run, no report.
mkdir "$work/empty" && cd "$work/empty"
for args in "--no-such-option" "stray-argument" "--folder $work/missing"; do
  # shellcheck disable=SC2086
  expect_status 64 "$varkelo" $args > /dev/null 2> "$work/usage.txt"
  [ -s "$work/usage.txt" ] || fail "'$args': no usage error on standard error"
  [ ! -e error.txt ] || fail "'$args': error.txt written"
done
echo "1 passed, 0 failed"
