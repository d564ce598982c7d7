#!/usr/bin/env bash
# varkelo --export-only on sample images of both layouts: "error.txt" and the whole CSV tree, byte
# for byte, against a digest recorded from a reviewed export (a change to any day file, start file,
# meter list or name changes it; the failure shows the new one); exports stopped by the system;
# command lines that start no run; the program's own folder as the application folder.
source "$(dirname "$0")/common.bash"

tree_digest() { (cd "$1" && find . -type f | LC_ALL=C sort | xargs -d '\n' sha256sum) | sha256sum | cut -d' ' -f1; }
for sample in "half 7 40 12 39b35b41d59e0ebedc9a9acd00bb31fc340f9cac6f9b11e16d4fee8e22e281f1" \
  "interval 3 60 40 b49bf9d0d25d103dc61f8d723c988f364329f5ba1f7d337e98f27a8b6faf73bd"; do
  read -r layout seed days meters digest <<< "$sample"
  app="$work/$layout" && mkdir "$app"
  "$maker" --layout "$layout" --seed "$seed" --days "$days" --meters "$meters" --out "$app/read.nmd" > /dev/null
  "$varkelo" --export-only --exit-code --folder "$app" > "$app/console.txt" || fail "$layout: exit status $?"
  report_is "$app/error.txt" 成功 || fail "$layout: error.txt"
  grep -q "CSV作成中" "$app/console.txt" || fail "$layout: no status line"
  [ "$(tree_digest "$app/SG012345")" == "$digest" ] || fail "$layout: the tree's digest is $(tree_digest "$app/SG012345")"
done
app="$work/interval"
cp -r "$app/SG012345" "$work/tree"

# A stop from the system during an export over the first, by each of the stop signals: the run ends
# within a second, reports 異常 (exit status 6), and its files are whole: as the first export wrote
# them, none temporary.
for signal in TERM INT HUP; do
  rm -rf "$app/SG012345" "$app/error.txt" "$work/console.txt"
  # A script's background job starts with SIGINT ignored, which the program keeps.
  env --default-signal=INT "$varkelo" --export-only --exit-code --folder "$app" > "$work/console.txt" 2> "$work/said.txt" &
  wait_for "$work/console.txt" "CSV作成中"
  stopped "SIG$signal" $! "$app" "$signal"
  [ -z "$(find "$app" -name '*.tmp')" ] || fail "SIG$signal: temporary files left: $(find "$app" -name '*.tmp')"
  written=$(cd "$app/SG012345" && find . -type f | wc -l)
  [ "$written" -lt "$(cd "$work/tree" && find . -type f | wc -l)" ] || fail "SIG$signal: the export was not stopped"
  while read -r file; do
    # A day's next-day start file stands until that day's own file replaces it.
    cmp -s "$app/SG012345/$file" "$work/tree/$file" ||
      head -n 1 "$app/SG012345/$file" | iconv -f cp932 -t utf-8 | grep -q "リセットフラグ,区間使用電力量" ||
      fail "SIG$signal: $file differs from the whole export's"
  done < <(cd "$app/SG012345" && find . -type f)
done

# A command line that says something else was meant: usage error as a sentence, no run, no report.
mkdir "$work/empty" && cd "$work/empty"
for row in "--no-such-option|--no-such-option is not an option of varkelo" \
  "stray-argument|varkelo takes no arguments besides its options, and stray-argument is none" \
  "--folder $work/missing|--folder $work/missing does not exist" \
  "--folder /etc/passwd|--folder /etc/passwd is not a folder" \
  "--folder $work --folder $work|--folder given twice" \
  "--folder|--folder needs the folder after it: --folder DIR"; do
  IFS='|' read -r args said <<< "$row"
  # shellcheck disable=SC2086
  expect_status 64 "$varkelo" $args > /dev/null 2> "$work/usage.txt"
  [ "$(head -n 1 "$work/usage.txt")" == "varkelo: $said" ] || fail "'$args': usage error '$(cat "$work/usage.txt")'"
  [ ! -e error.txt ] || fail "'$args': error.txt written"
done
"$varkelo" --help | grep -q "man varkelo" || fail "--help does not point to the man page"

# Without --folder the program's own folder serves only when it holds a
# System.ini: elsewhere (an installed program's bin folder) it writes nothing.
mkdir "$work/bin" && cp "$varkelo" "$work/bin/varkelo"
expect_status 64 "$work/bin/varkelo" --exit-code > /dev/null 2> "$work/usage.txt"
grep -q -- "--folder DIR is needed" "$work/usage.txt" || fail "no folder: '$(cat "$work/usage.txt")'"
[ "$(ls "$work/bin")" == varkelo ] || fail "no folder: wrote $(ls "$work/bin")"
printf '[System]\r\nAddress=10.0.0\r\n' > "$work/bin/System.ini"
expect_status 2 "$work/bin/varkelo" --exit-code > /dev/null 2>&1
report_is "$work/bin/error.txt" "IPアドレスに、異常な値が含まれています。" || fail "own folder: error.txt"
echo "1 passed, 0 failed"
