#!/usr/bin/env bash
# 20 varkelo runs at the same time, each in its own application folder,
# against 20 gateway simulators on 127.0.0.2 to 127.0.0.21: every run must
# succeed, download its own gateway's image and write that gateway's tree,
# the one its image exports to, and nothing else.
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
varkelo="$build/src/app/varkelo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
count=20

bash "$root/tools/gateway_fleet.sh" "$build" "$work" "$count" 3

# What each gateway's image exports to, made without the gateway.
export_image() {
  mkdir -p "$1/expected"
  cp "$1/image.nmd" "$1/expected/read.nmd"
  "$varkelo" --export-only --folder "$1/expected" > /dev/null
}
export -f export_image
export varkelo
find "$work" -mindepth 1 -maxdepth 1 -name 'gw*' | xargs -P 2 -I{} bash -c 'export_image {}'

for i in $(seq "$count"); do
  dir=$(printf '%s/gw%03d' "$work" "$i")
  id=$(printf 'GW%06d' "$i")
  [ "$(cat "$dir/status")" -eq 0 ] || fail "$id: exit status $(cat "$dir/status"): $(tail -n 3 "$dir/console.txt")"
  [ "$(cat "$dir/sim-status")" -eq 0 ] || fail "$id: the simulator saw wrong acknowledgements: $(cat "$dir/sim.txt")"
  printf '\x90\xac\x8c\xf7\r\n' | cmp -s - "$dir/app/error.txt" || fail "$id: error.txt" # 成功
  cmp -s "$dir/image.nmd" "$dir/app/read.nmd" || fail "$id: read.nmd is not its gateway's image"
  made=$(find "$dir/app" -mindepth 1 -maxdepth 1 -type d -printf '%f\n')
  [ "$made" == "$id" ] || fail "$id: made the folders $made"
  diff -r "$dir/expected/$id" "$dir/app/$id" > /dev/null || fail "$id: the CSV tree differs"
done
echo "1 passed, 0 failed"
