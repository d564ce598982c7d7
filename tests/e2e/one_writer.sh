#!/usr/bin/env bash
# One writer per application folder. While a run holds its folder, a download, --export-only and
# --report-only there write nothing (not even "error.txt"), say so and exit with 9; a holder killed
# with SIGKILL leaves the folder free and no lock file behind; of two runs started at the same
# instant exactly one reads the gateway.
source "$(dirname "$0")/common.bash"

"$maker" --layout half --seed 5 --days 30 --out "$work/image.nmd" > /dev/null
sample_export "$work/expected" --layout half --seed 5 --days 30
app="$work/app" && app_folder "$app" && cp -r "$work/expected/." "$app"
# Every name and every byte in the folder but the holder's image in the making.
folder_digest() { (cd "$app" && find . ! -name '.read.nmd.*.tmp' -type f -exec sha256sum {} + | LC_ALL=C sort) | sha256sum; }

start_simulator "$work/image.nmd" --fault silent --fault-after 50
"$varkelo" --folder "$app" > "$work/holder.txt" 2>&1 &
holder=$! && pids+=("$holder")
wait_for "$work/holder.txt" 読込みデータ転送中
before=$(folder_digest)
for options in "" --export-only --report-only; do
  expect_status 9 "$varkelo" --exit-code $options --folder "$app" > "$work/out.txt" 2> "$work/said.txt"
  [ "$(cat "$work/said.txt")" == "varkelo: another run is reading this gateway in $app; nothing was written" ] ||
    fail "'$options': standard error says '$(cat "$work/said.txt")'"
  [ ! -s "$work/out.txt" ] || fail "'$options': standard output says '$(cat "$work/out.txt")'"
  [ "$(folder_digest)" == "$before" ] || fail "'$options': wrote into the held folder"
done
kill -KILL "$holder" && { wait "$holder" 2> /dev/null || true; }
kill "$simulator" 2> /dev/null || true
expect_status 0 "$varkelo" --exit-code --export-only --folder "$app" > /dev/null
[ -z "$(find "$app" -name 'varkelo.lock' -o -name '.*.tmp')" ] || fail "left behind: $(find "$app" -name '.*')"

# Two runs at once: one downloads, the other finds the folder held.
rm -rf "$app" && app_folder "$app"
start_simulator "$work/image.nmd"
"$varkelo" --exit-code --folder "$app" > "$work/first.txt" 2>&1 &
first=$!
"$varkelo" --exit-code --folder "$app" > "$work/second.txt" 2>&1 &
second=$!
s1=0 s2=0
wait "$first" || s1=$?
wait "$second" || s2=$?
statuses=$(printf '%s\n' "$s1" "$s2" | sort | xargs)
[ "$statuses" == "0 9" ] || fail "two runs at once ended with $statuses: $(cat "$work/first.txt" "$work/second.txt")"
simulator_done
downloaded "two runs at once" "$app" "$work/expected"
echo "1 passed, 0 failed"
