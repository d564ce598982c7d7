#!/usr/bin/env bash
# Whole unattended runs: 20 at once, each in its own folder, against 20 simulators on 127.0.0.2 to
# 127.0.0.21, then one over a poor link (a low loopback MTU and a simulator that holds back the tail
# of each frame). Each must succeed, download its own gateway's image and write that image's tree.
# Then runs stopped by the system as a service manager stops them (SIGTERM).
source "$(dirname "$0")/common.bash"

bash "$(dirname "$0")/../../tools/gateway_fleet.sh" "$build" "$work" 20 3
for i in $(seq 20); do
  dir=$(printf '%s/gw%03d' "$work" "$i") id=$(printf 'GW%06d' "$i")
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

# Stops: the run ends within a second, closing the connection, with 異常 in error.txt and exit
# status 6, wherever it is. 127.0.9.9 leads into the loopback, where nothing answers: the wait lasts.
ip link set lo mtu 65536
ip route del 127.0.0.0/8 dev lo table local
ip route add 127.0.9.9/32 dev lo
for phase in "connect wait|127.0.9.9|に接続中" "download|127.0.0.1|データ転送中"; do
  IFS='|' read -r name address status <<< "$phase"
  app_folder "$work/app" "$address"
  [ "$name" == download ] && start_simulator "$work/expected/read.nmd" --fault silent --fault-after 1
  "$varkelo" --exit-code --folder "$work/app" > "$work/console.txt" 2> "$work/said.txt" &
  wait_for "$work/console.txt" "$status"
  stopped "$name" $! "$work/app"
done
simulator_done
grep -q closed "$work/sim.txt" || fail "download: the connection was not closed: $(cat "$work/sim.txt")"

# From the program's first instruction on, a stop waits for the run and ends it: SIGTERM at moments
# from 0 to 20 ms after the program holds the stop signals, blocked (SigBlk) until the run listens
# for them (SigCgt). Before that it is the system's code that runs, which no program can take over.
# Bit 14 is SIGTERM; Name is the program's once it runs. held prints what it saw.
held() {
  local key value program= blocked=0
  while read -r key value; do
    [ "$key" == Name: ] && program=$value
    [ "$program" == varkelo ] || continue
    [ "$key" == SigBlk: ] && blocked=$(((0x$value >> 14) & 1))
    [ "$key" == SigCgt: ] && (((0x$value >> 14) & 1)) && echo caught && return
  done < "/proc/$1/status"
  [ "$blocked" -eq 1 ] && echo blocked
}
app_folder "$work/app" 127.0.9.9
seen=""
for delay in 0 0 1 2 3 4 5 6 8 10 12 14 16 18 20; do
  rm -f "$work/app/error.txt"
  "$varkelo" --exit-code --folder "$work/app" > /dev/null 2> "$work/said.txt" &
  pid=$!
  until state=$(held "$pid" 2> /dev/null) && [ -n "$state" ]; do
    kill -0 "$pid" 2> /dev/null || fail "the run ended before it held the stop signals"
  done
  seen+=" $state"
  [ "$delay" -eq 0 ] || sleep "0.0$(printf %02d "$delay")"
  stopped "SIGTERM $delay ms after the start" "$pid" "$work/app"
done
# Held before the program listens: blocked from its first instruction on.
[[ "$seen" == *blocked* ]] || fail "the stop signals were never seen blocked before the run listened:$seen"
echo "1 passed, 0 failed"
