#!/usr/bin/env bash
# Many gateways read out at the same time, as from one machine with one
# application folder per gateway: COUNT sample images (each its own seed and
# device ID "GW000001", "GW000002", ...; layouts alternating), COUNT gateway
# simulators on 127.0.0.2, 127.0.0.3, ... port 12000, then COUNT varkelo runs
# started together. Runs in a private network namespace of its own.
#
# Usage: gateway_fleet.sh BUILD WORK COUNT [DAYS]
# Leaves in WORK/gwNNN: image.nmd (the gateway's image), app/ (the
# application folder after the run), status (varkelo's exit status),
# sim-status (0 when the simulator saw every acknowledgement right), rusage
# (wall, user and system seconds, peak RSS in KiB of the run). Prints the
# wall time of all runs together.
set -euo pipefail
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
build=$1
work=$2
count=$3
days=${4:-40}
ip link set lo up

varkelo="$build/src/app/varkelo"
sim="$build/tools/gateway_sim"
maker="$build/tools/make_sample_image"
sim_pids=()
cleanup() { for pid in "${sim_pids[@]}"; do kill "$pid" 2> /dev/null || true; done; }
trap cleanup EXIT

gateway() { printf '%s/gw%03d' "$work" "$1"; }
# The whole of 127.0.0.0/8 is on the loopback interface; 127.0.0.1 stays free.
address() { printf '127.0.%d.%d' $((($1 + 1) / 256)) $((($1 + 1) % 256)); }

make_image() {
  local i=$1 dir
  dir=$(gateway "$i")
  mkdir -p "$dir/app"
  "$maker" --layout "$([ $((i % 2)) -eq 0 ] && echo half || echo interval)" --seed "$i" --days "$days" \
    --device-id "$(printf 'GW%06d' "$i")" --out "$dir/image.nmd" > /dev/null
  printf '[System]\r\nAddress=%s\r\n' "$(address "$i")" > "$dir/app/System.ini"
}
export -f make_image gateway address
export work days maker
seq "$count" | xargs -P 2 -I{} bash -c 'make_image {}'

# Every simulator waits long enough for a run that starts last on a loaded machine.
for i in $(seq "$count"); do
  dir=$(gateway "$i")
  "$sim" --image "$dir/image.nmd" --address "$(address "$i")" --port 12000 --idle-timeout 300 \
    > "$dir/sim.txt" 2>&1 &
  sim_pids+=($!)
done
listening() { ss -ltnH 'sport = :12000' | wc -l; }
deadline=$((SECONDS + 300))
while [ "$(listening)" -lt "$count" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ "$(listening)" -ge "$count" ] || { echo "only $(listening) of $count simulators listen" >&2; exit 1; }

start=$(date +%s%N)
run_pids=()
for i in $(seq "$count"); do
  dir=$(gateway "$i")
  (
    status=0
    /usr/bin/time -f '%e %U %S %M' -o "$dir/time.txt" \
      "$varkelo" --exit-code --folder "$dir/app" > "$dir/console.txt" 2>&1 || status=$?
    echo "$status" > "$dir/status"
    # time puts a line about a failed command before its own.
    tail -n 1 "$dir/time.txt" > "$dir/rusage"
  ) &
  run_pids+=($!)
done
wait "${run_pids[@]}"
end=$(date +%s%N)

# The simulator of a failed run may still wait for its client: no need to.
for i in $(seq "$count"); do
  status=0
  [ "$(cat "$(gateway "$i")/status")" -eq 0 ] || kill "${sim_pids[$((i - 1))]}" 2> /dev/null || true
  wait "${sim_pids[$((i - 1))]}" || status=$?
  echo "$status" > "$(gateway "$i")/sim-status"
done
sim_pids=()
echo "$count runs in $(((end - start) / 1000000)) ms"
