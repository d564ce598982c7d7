#!/usr/bin/env bash
# One process for many gateways against one process per gateway. COUNT gateways (default 500) are read
# out all at once, each a simulated gateway on a loopback address of its own whose every record comes
# DELAY ms (default 2) after its acknowledgement, as over a distant link: first by one fleet process
# (--fleet, --parallel COUNT), then by COUNT processes started together. Prints wall time, CPU time and
# peak memory of both, and the fleet's floor: the larger of one download's simulated round trips and
# the CPU time of all its work divided by the cores. Needs root for the private network namespace.
#
# Usage: bench/fleet.sh [BUILD] [COUNT] [DELAY]   (BUILD: build/release)
set -euo pipefail
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
count=${2:-500}
delay=${3:-2}
varkelo="$build/src/app/varkelo"
ip link set lo up
# Two open files for each gateway in the simulator, three for each download in the fleet.
ulimit -n "$(ulimit -Hn)"
work=$(mktemp -d)
sim=""
trap '[ -z "$sim" ] || kill "$sim" 2> /dev/null || true; rm -rf "$work"' EXIT

"$build/tools/make_sample_image" --layout half --seed 1 --days 40 --out "$work/image.nmd" > /dev/null
records=$(($(stat -c %s "$work/image.nmd") / 1024))
# The whole of 127.0.0.0/8 is on the loopback interface; 127.0.0.1 stays free.
address() { printf '127.0.%d.%d' $((($1 + 1) / 256)) $((($1 + 1) % 256)); }
# DIR: COUNT application folders in DIR, and the simulator standing for their gateways.
gateways() {
  mkdir -p "$1"
  : > "$work/list"
  for i in $(seq "$count"); do
    local folder
    folder=$(printf '%s/gw%04d' "$1" "$i")
    mkdir "$folder"
    printf '[System]\r\nAddress=%s\r\n' "$(address "$i")" > "$folder/System.ini"
    echo "$(address "$i") $work/image.nmd" >> "$work/list"
  done
  "$build/tools/gateway_sim" --list "$work/list" --record-delay "$delay" --idle-timeout 900 > "$work/sim.txt" 2>&1 &
  sim=$!
  until [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge "$count" ]; do
    kill -0 "$sim" 2> /dev/null || { cat "$work/sim.txt" >&2; exit 1; }
    sleep 0.2
  done
}
succeeded() { grep -l . "$1"/gw*/error.txt 2> /dev/null | xargs -r cat | iconv -f cp932 -t utf-8 | grep -c '^成功' || true; }

gateways "$work/fleet"
/usr/bin/time -f '%e %U %S %M' -o "$work/fleet.time" "$varkelo" --fleet "$work/fleet" --parallel "$count" \
  > "$work/fleet.out" 2>&1 || true
wait "$sim" || true
fleet_ok=$(succeeded "$work/fleet")
rm -rf "$work/fleet"

gateways "$work/single"
start=$(date +%s%N)
runs=()
for folder in "$work"/single/gw[0-9][0-9][0-9][0-9]; do
  /usr/bin/time -f '%e %U %S %M' -o "$folder.time" "$varkelo" --folder "$folder" > /dev/null 2>&1 &
  runs+=($!)
done
wait "${runs[@]}" || true
single_wall=$((($(date +%s%N) - start) / 1000000))
wait "$sim" || true
single_ok=$(succeeded "$work/single")

# time's last line: wall, user and system seconds, peak RSS in KiB.
read -r fleet_wall fleet_user fleet_system fleet_rss <<< "$(tail -n 1 "$work/fleet.time")"
for folder in "$work"/single/gw[0-9][0-9][0-9][0-9]; do tail -n 1 "$folder.time"; done | awk -v cores="$(nproc)" -v count="$count" \
  -v records="$records" -v delay="$delay" -v fw="$fleet_wall" -v fu="$fleet_user" -v fs="$fleet_system" \
  -v frss="$fleet_rss" -v sw="$single_wall" -v fok="$fleet_ok" -v sok="$single_ok" '
  { cpu += $2 + $3; rss += $4; if ($4 > peak) peak = $4 }
  END {
    fcpu = fu + fs
    trips = records * delay / 1000
    floor = trips > fcpu / cores ? trips : fcpu / cores
    printf "%d gateways at once, %d records each, %s ms a record; %d cores\n", count, records, delay, cores
    printf "| | wall (s) | CPU (s) | CPU a gateway (s) | peak memory (MiB) | succeeded |\n|---|---|---|---|---|---|\n"
    printf "| one fleet process | %.1f | %.1f | %.3f | %.1f | %d |\n", fw, fcpu, fcpu / count, frss / 1024, fok
    printf "| one process each | %.1f | %.1f | %.3f | %.1f (%.1f each at most) | %d |\n", sw / 1000, cpu, cpu / count, rss / 1024, peak / 1024, sok
    printf "fleet floor: %.1f s (round trips of one download %.1f s, fleet CPU / cores %.1f s); wall / floor = %.2f\n",
      floor, trips, fcpu / cores, fw / floor
  }'
