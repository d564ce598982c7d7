#!/usr/bin/env bash
# Whole unattended runs: 20 at once, each in its own folder, against 20
# simulators on 127.0.0.2 to 127.0.0.21, then one over a poor link (a low
# loopback MTU and a simulator that holds back the tail of each frame). Each
# must succeed, download its own gateway's image and write that image's tree.
source "$(dirname "$0")/common.bash"

bash "$(dirname "$0")/../../tools/gateway_fleet.sh" "$build" "$work" 20 3
for i in $(seq 20); do
  dir=$(printf '%s/gw%03d' "$work" "$i")
  id=$(printf 'GW%06d' "$i")
  [ "$(cat "$dir/status")" -eq 0 ] || fail "$id: exit status $(cat "$dir/status"): $(tail -n 3 "$dir/console.txt")"
  [ "$(cat "$dir/sim-status")" -eq 0 ] || fail "$id: the simulator saw wrong acknowledgements: $(cat "$dir/sim.txt")"
  mkdir "$dir/expected" && cp "$dir/image.nmd" "$dir/expected/read.nmd"
  "$varkelo" --export-only --folder "$dir/expected" > /dev/null
  downloaded "$id" "$dir/app" "$dir/expected"
done

ip link set lo mtu 576
sample_export "$work/expected" --layout half --seed 11 --days 45 --device-id GW-E2E-0001
app_folder "$work/app"
start_simulator "$work/expected/read.nmd" --fault nagle
"$varkelo" --exit-code --folder "$work/app" > "$work/console.txt" || fail "poor link: exit status $?"
simulator_done
grep -q "データ転送中" "$work/console.txt" || fail "poor link: no transfer status printed"
downloaded "poor link" "$work/app" "$work/expected"
echo "1 passed, 0 failed"
