#!/usr/bin/env bash
# 20 varkelo runs at once, each in its own folder, against 20 simulators on 127.0.0.2 to 127.0.0.21:
# each must succeed, download its own gateway's image and write that gateway's tree and nothing else.
set -euo pipefail
build=$1
varkelo="$build/src/app/varkelo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$(dirname "$0")/../../tools/gateway_fleet.sh" "$build" "$work" 20 3

for i in $(seq 20); do
  dir=$(printf '%s/gw%03d' "$work" "$i")
  id=$(printf 'GW%06d' "$i")
  [ "$(cat "$dir/status")" -eq 0 ] || fail "$id: exit status $(cat "$dir/status"): $(tail -n 3 "$dir/console.txt")"
  [ "$(cat "$dir/sim-status")" -eq 0 ] || fail "$id: the simulator saw wrong acknowledgements: $(cat "$dir/sim.txt")"
  printf '\x90\xac\x8c\xf7\r\n' | cmp -s - "$dir/app/error.txt" || fail "$id: error.txt" # 成功
  mkdir "$dir/expected"
  cp "$dir/image.nmd" "$dir/expected/read.nmd"
  "$varkelo" --export-only --folder "$dir/expected" > /dev/null
  # Its image as read.nmd, and its image's tree as the only folder.
  diff -r -x System.ini -x error.txt "$dir/expected" "$dir/app" > /dev/null || fail "$id: not its image and tree"
done
echo "1 passed, 0 failed"
