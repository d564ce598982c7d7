#!/usr/bin/env bash
# What a run leaves on the disk. The order of a whole run's system calls (strace): every output file's
# data is flushed before its rename, every folder it changed is flushed after, and error.txt is renamed
# last; again over the unchanged tree, each file kept as it was and its folder are flushed before it.
# Flushes that fail (strace injects the error): the run fails with the reason, every file whole. A
# failed download from another gateway keeps the last image; a folder that lets no file be removed;
# runs killed during the export leave temporary files that the next run removes, and only those; a
# closed pipe on standard output or error ends nothing.
source "$(dirname "$0")/common.bash"

"$maker" --layout interval --seed 3 --days 20 --out "$work/image.nmd" > /dev/null
"$maker" --layout interval --seed 4 --days 20 --device-id SG999999 --out "$work/other.nmd" > /dev/null
sample_export "$work/expected" --layout interval --seed 3 --days 20
app="$work/app" && app_folder "$app"
# The leak check of a sanitized build cannot work under ptrace.
traced() { ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" strace -f --seccomp-bpf -y -qq -o "$work/trace.txt" -e trace=fdatasync,fsync,rename "$@"; }

# Flushed data (fdatasync) and folders (fsync) by path; a rename must find its file flushed, and the
# folder it changed stays to be flushed until an fsync of it; error.txt's rename comes when no other
# folder is left, and its own folder follows. The FILES (kept, not renamed) and their folders must be
# flushed before error.txt's rename too.
flush_order() { # FILES
  awk -v app="$app" -v kept="$1" '
  BEGIN { for (n = split(kept, k, "\n"); n > 0; n--) { keep[k[n]] = 1; sub(/\/[^\/]*$/, "", k[n]); keep[k[n]] = 1 } }
  { path = $0; sub(/^[^<]*</, "", path); sub(/>.*$/, "", path) }
  / fdatasync\(/ { data[path] = 1; delete keep[path]; files++ }
  / fsync\(/ { delete pending[path]; delete keep[path]; folders++ }
  / rename\(/ {
    split($0, q, "\""); folder = q[4]; sub(/\/[^\/]*$/, "", folder)
    if (!(q[2] in data)) { print "renamed before its data was flushed: " q[4]; bad = 1 }
    if (q[4] == app "/error.txt") for (f in pending) { print "error.txt renamed before " f " was flushed"; bad = 1 }
    if (q[4] == app "/error.txt") for (f in keep) { print "error.txt renamed before kept " f " was flushed"; bad = 1 }
    pending[folder] = 1; renames++; last = q[4]
  }
  END {
    for (f in pending) { print "never flushed after its renames: " f; bad = 1 }
    if (last != app "/error.txt") { print "error.txt is not the last rename: " last; bad = 1 }
    printf "%d renames, each after its file'"'"'s flush (%d); %d folder flushes; error.txt renamed last\n", renames, files, folders
    exit bad
  }' "$work/trace.txt"
}
start_simulator "$work/image.nmd"
traced "$varkelo" --exit-code --folder "$app" > /dev/null || fail "traced run: exit status $?"
simulator_done
downloaded "traced run" "$app" "$work/expected"
flush_order "" || fail "the order of the flushes and renames"
# An earlier run may have been killed after its renames, before the system wrote them: what a run keeps
# is on the disk before error.txt says 成功.
traced "$varkelo" --exit-code --export-only --folder "$app" > /dev/null || fail "again: exit status $?"
flush_order "$(find "$app" -name '*.csv')" || fail "again over the unchanged tree: the order of the flushes"

# A failing flush fails the run with its reason; every file is the earlier one or the new one, whole.
cp -r "$app" "$work/before"
cp "$work/other.nmd" "$app/read.nmd"
sample_export "$work/other" --layout interval --seed 4 --days 20 --device-id SG999999
for row in "fdatasync:error=ENOSPC:when=5|5|cannot flush to the disk $app/SG999999/|No space left on device" \
  "fsync:error=EIO:when=1|5|cannot flush to the disk the folder $app/SG999999/|Input/output error" \
  "fsync:error=EINVAL|0||"; do
  IFS='|' read -r inject status said reason <<< "$row"
  rm -rf "$app/SG999999"
  expect_status "$status" traced -e inject="$inject" "$varkelo" --exit-code --export-only --folder "$app" \
    > /dev/null 2> "$work/said.txt"
  [[ -z "$said" || "$(cat "$work/said.txt")" == "varkelo: $said"*": $reason" ]] ||
    fail "$inject: standard error says '$(cat "$work/said.txt")'"
  [ -z "$(find "$app" -name '.*.tmp')" ] || fail "$inject: temporary files left"
  while read -r file; do
    cmp -s "$app/SG999999/$file" "$work/other/SG999999/$file" || fail "$inject: $file is not whole"
  done < <(cd "$app/SG999999" && find . -type f)
done

# A download from another gateway that ends after 100 records leaves the last image as it was.
start_simulator "$work/other.nmd" --fault close --fault-after 100
expect_status 4 "$varkelo" --exit-code --folder "$work/before" > /dev/null 2>&1
cmp -s "$work/before/read.nmd" "$work/image.nmd" || fail "a failed download changed read.nmd"
expect_status 0 "$varkelo" --exit-code --export-only --folder "$work/before" > /dev/null
downloaded "export after a failed download" "$work/before" "$work/expected"

# Runs killed during the export leave temporary files; the next run removes them, and only the
# regular files of the program's own form: not a link, a folder, a FIFO or a name of another form.
export_then_kill() {
  "$varkelo" --export-only --folder "$app" > /dev/null &
  sleep "0.0$((RANDOM % 10))" && kill -KILL $! && { wait $! 2> /dev/null || true; }
}
for _ in $(seq 30); do
  rm -rf "$app/SG999999" && export_then_kill
  [ -n "$(find "$app" -name '.*.tmp')" ] && break
done
[ -n "$(find "$app" -name '.*.tmp')" ] || fail "no kill left a temporary file"
mkdir -p "$app/SG999999/201101" && cd "$app/SG999999/201101"
ln -s "$work/image.nmd" .link.0123456789abcdef.tmp && mkdir .folder.0123456789abcdef.tmp
mkfifo .fifo.0123456789abcdef.tmp && : > .other.0123456789ABCDEF.tmp && : > .mine.0123456789abcdef.tmp
expect_status 0 traced "$varkelo" --exit-code --export-only --folder "$app" > /dev/null
# A folder the export does not write: its removals reach the disk all the same.
grep -q "fsync([0-9]*<$app/SG999999/201101>" "$work/trace.txt" || fail "leftovers removed, their folder not flushed"
left=$(find "$app" -name '.*.tmp' -printf '%f\n' | sort | xargs)
[ "$left" == ".fifo.0123456789abcdef.tmp .folder.0123456789abcdef.tmp .link.0123456789abcdef.tmp .other.0123456789ABCDEF.tmp" ] ||
  fail "left after the next run: $left"

# A folder that lets files be made but none removed: the earlier error.txt stays and the last line says so.
mkdir "$work/kept" && cp "$work/image.nmd" "$work/kept/read.nmd" && printf 'old\r\n' > "$work/kept/error.txt"
chattr +a "$work/kept" || fail "chattr +a"
status=0
"$varkelo" --export-only --folder "$work/kept" > "$work/out.txt" 2> /dev/null || status=$?
chattr -a "$work/kept"
[ "$status" -eq 7 ] || fail "a folder that keeps its files: exit status $status"
[ "$(tail -n 1 "$work/out.txt")" == "error.txt not written (the run: 成功: 21 day files in $work/kept/SG012345); the error.txt in the folder is an earlier run's, which could not be removed" ] ||
  fail "a folder that keeps its files: the last line is '$(tail -n 1 "$work/out.txt")'"

# Standard output and error closed before the run ends: it goes on, writes its report, keeps its status.
rm "$app/error.txt"
expect_status 0 "$varkelo" --exit-code --export-only --folder "$app" 2> >(head -c 0) | head -c 0
report_is "$app/error.txt" 成功 || fail "closed pipes: error.txt"
echo "1 passed, 0 failed"
