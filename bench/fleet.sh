#!/usr/bin/env bash
# One process for many gateways against one process per gateway. COUNT gateways (default 500) are read
# out all at once, each a simulated gateway on a loopback address of its own whose every record comes
# DELAY ms (default 2) after its acknowledgement, as over a distant link: first by one fleet process
# (--fleet, --parallel COUNT), then by COUNT processes started together. Prints wall time, CPU time and
# peak memory of both, and the fleet's floors: one download's simulated round trips; the fleet's CPU
# time divided by the cores; the fleet's CPU time itself (one thread runs on one core at a time); and
# the CPU time of the fleet and the simulator together divided by the cores (both share this machine).
# With MODE fleet, only the fleet is measured. Needs root for the private network namespace.
#
# Usage: bench/fleet.sh [BUILD] [COUNT] [DELAY] [MODE]   (BUILD: build/release; MODE: both or fleet)
set -euo pipefail
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
count=${2:-500}
delay=${3:-2}
mode=${4:-both}
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
  /usr/bin/time -f '%e %U %S %M' -o "$work/sim.time" \
    "$build/tools/gateway_sim" --list "$work/list" --record-delay "$delay" --idle-timeout 900 > "$work/sim.txt" 2>&1 &
  sim=$!
  until [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge "$count" ]; do
    kill -0 "$sim" 2> /dev/null || { cat "$work/sim.txt" >&2; exit 1; }
    sleep 0.2
  done
}
succeeded() { grep -l . "$1"/gw*/error.txt 2> /dev/null | xargs -r cat | iconv -f cp932 -t utf-8 | grep -c '^成功' || true; }

gateways "$work/fleet"
# Each console line with the milliseconds since the start: when the gateways ended.
fleet_start=$(date +%s%3N)
/usr/bin/time -f '%e %U %S %M' -o "$work/fleet.time" "$varkelo" --fleet "$work/fleet" --parallel "$count" 2>&1 |
  while IFS= read -r line; do echo "$(($(date +%s%3N) - fleet_start)) $line"; done > "$work/fleet.out" || true
# Lines of ended gateways end in their seconds: "gw0001  成功  16.5 s".
read -r first_end last_end <<< "$(awk '$NF == "s" { if (!n++) f = $1; l = $1 } END { print f / 1000, l / 1000 }' "$work/fleet.out")"
wait "$sim" || true
fleet_ok=$(succeeded "$work/fleet")
rm -rf "$work/fleet"
read -r _ sim_user sim_system _ <<< "$(tail -n 1 "$work/sim.time")"
# The same gateways, one process each, started together; their time lines go to single.times.
single_ok=0
single_wall=0
: > "$work/single.times"
singles() {
  gateways "$work/single"
  local start runs=() folder
  start=$(date +%s%N)
  for folder in "$work"/single/gw[0-9][0-9][0-9][0-9]; do
    /usr/bin/time -f '%e %U %S %M' -o "$folder.time" "$varkelo" --folder "$folder" > /dev/null 2>&1 &
    runs+=($!)
  done
  wait "${runs[@]}" || true
  single_wall=$((($(date +%s%N) - start) / 1000000))
  wait "$sim" || true
  single_ok=$(succeeded "$work/single")
  for folder in "$work"/single/gw[0-9][0-9][0-9][0-9]; do tail -n 1 "$folder.time"; done > "$work/single.times"
}
[ "$mode" = fleet ] || singles

# time's last line: wall, user and system seconds, peak RSS in KiB.
read -r fleet_wall fleet_user fleet_system fleet_rss <<< "$(tail -n 1 "$work/fleet.time")"
awk -v cores="$(nproc)" -v count="$count" -v records="$records" -v delay="$delay" -v fw="$fleet_wall" \
  -v fu="$fleet_user" -v fs="$fleet_system" -v frss="$fleet_rss" -v scpu="$(echo "$sim_user + $sim_system" | bc)" \
  -v sw="$single_wall" -v fok="$fleet_ok" -v sok="$single_ok" -v fe="$first_end" -v le="$last_end" '
  { cpu += $2 + $3; rss += $4; if ($4 > peak) peak = $4 }
  END {
    fcpu = fu + fs
    trips = records * delay / 1000
    f1 = trips > fcpu / cores ? trips : fcpu / cores
    f2 = trips > fcpu ? trips : fcpu
    f3 = f2 > (fcpu + scpu) / cores ? f2 : (fcpu + scpu) / cores
    printf "%d gateways at once, %d records each, %s ms a record; %d cores\n", count, records, delay, cores
    printf "| | wall (s) | CPU (s) | CPU a gateway (s) | peak memory (MiB) | succeeded |\n|---|---|---|---|---|---|\n"
    printf "| one fleet process | %.1f | %.1f | %.3f | %.1f | %d |\n", fw, fcpu, fcpu / count, frss / 1024, fok
    if (NR > 0)
      printf "| one process each | %.1f | %.1f | %.3f | %.1f (%.1f each at most) | %d |\n", sw / 1000, cpu, cpu / count, rss / 1024, peak / 1024, sok
    printf "simulator CPU: %.1f s; in the fleet the first gateway ended after %.1f s, the last after %.1f s\n", scpu, fe, le
    printf "round trips of one download: %.1f s; fleet CPU / cores: %.1f s; fleet CPU: %.1f s; fleet and simulator CPU / cores: %.1f s\n",
      trips, fcpu / cores, fcpu, (fcpu + scpu) / cores
    printf "wall / floor: %.2f (round trips, CPU / cores); %.2f (one thread); %.2f (one thread, simulator beside it)\n",
      fw / f1, fw / f2, fw / f3
  }' "$work/single.times"
