#!/usr/bin/env bash
# varkelo --export-only --folder DIR on sample images of both layouts:
# "error.txt", the shape of the whole CSV tree, and a run without an image.
set -euo pipefail
build=$1
varkelo="$build/src/app/varkelo"
maker="$build/tools/make_sample_image"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The report lines in code page 932.
success() { printf '\x90\xac\x8c\xf7\r\n'; } # 成功
csv_error() { printf 'CSV\x82\xcc\x8d\xec\x90\xac\x92\x86\x82\xc9\x83\x47\x83\x89\x81\x5b\x82\xaa\x94\xad\x90\xb6\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n'; }

for layout in half interval; do
  app="$work/$layout"
  mkdir -p "$app"
  "$maker" --layout "$layout" --seed 7 --device-id SG012345ABCD --out "$app/read.nmd" > "$app/plan.txt"
  "$varkelo" --export-only --exit-code --folder "$app" > "$app/console.txt" || fail "$layout: exit status $?"
  success | cmp -s - "$app/error.txt" || fail "$layout: error.txt"
  grep -q "CSV作成中" "$app/console.txt" || fail "$layout: no status line"

  gateway="$app/SG012345"
  [ "$(wc -l < "$gateway/ID.csv")" -eq 41 ] || fail "$layout: ID.csv lines"
  days=$(find "$gateway" -mindepth 2 -name '*.csv' | wc -l)
  [ "$days" -ge 40 ] || fail "$layout: only $days day files"
  # Every day file sits in the folder of its month and has 1921 lines of 16 fields, CR LF.
  while IFS= read -r file; do
    month=$(basename "$(dirname "$file")")
    name=$(basename "$file" .csv)
    [ "${name:0:6}" == "$month" ] || fail "$file is in the wrong folder"
    [ "$(wc -l < "$file")" -eq 1921 ] || fail "$file: line count"
    [ "$(tr -cd '\r' < "$file" | wc -c)" -eq 1921 ] || fail "$file: not CR LF"
    awk -F, 'NF != 16 { bad = 1 } END { exit bad }' "$file" || fail "$file: a line without 16 fields"
  done < <(find "$gateway" -mindepth 2 -name '*.csv')

  # A second export over the first gives the same bytes.
  cp -r "$gateway" "$work/first-$layout"
  "$varkelo" --export-only --folder "$app" > /dev/null
  diff -r "$work/first-$layout" "$gateway" > /dev/null || fail "$layout: a second export differs"
done

# The two layouts of one sample differ in the files they make.
if diff -r "$work/half/SG012345" "$work/interval/SG012345" > /dev/null; then fail "layouts gave the same tree"; fi

# No image: a CSV error, and nothing made.
empty="$work/empty"
mkdir -p "$empty"
status=0
"$varkelo" --export-only --exit-code --folder "$empty" > /dev/null || status=$?
[ "$status" -eq 5 ] || fail "no image: exit status $status"
csv_error | cmp -s - "$empty/error.txt" || fail "no image: error.txt"
[ "$(ls "$empty")" == "error.txt" ] || fail "no image: made $(ls "$empty")"
echo "1 passed, 0 failed"
