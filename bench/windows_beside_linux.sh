#!/usr/bin/env bash
# Times the Linux build and varkelo-cli.exe under Wine in one sitting, runs
# interleaved, against the gateway simulator on loopback in a private network
# namespace (needs root): an 8 MiB image of the interval layout, 63 days of 40
# meters. For each platform it prints the median and range of
#   run      a whole run: start-up, download, export, report;
#   export   --export-only of the same "read.nmd";
#   download run minus export (the connection and the transfer of every record),
# and the ratio of Wine's medians to Linux's. Both must leave the same tree.
# Use Release builds of both.
#
# Usage: bench/windows_beside_linux.sh LINUX_BUILD WINDOWS_BUILD [ROUNDS]   (ROUNDS: 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
[ $# -ge 2 ] || { echo "usage: $0 LINUX_BUILD WINDOWS_BUILD [ROUNDS]" >&2; exit 2; }
linux=$(realpath "$1") windows=$(realpath "$2") rounds=${3:-5}
ip link set lo up
export WINEPREFIX="$windows/wine"
work=$(mktemp -d)
cleanup() {
  [ -z "${simulator:-}" ] || kill "$simulator" 2> /dev/null || true
  wineserver -k 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$linux/tools/make_sample_image" --layout interval --days 63 --meters 40 --out "$work/image.nmd" > /dev/null
# One Wine server for the whole sitting, of this namespace: its start-up is Wine's, not the program's.
"$root/scripts/wine-run" "$WINEPREFIX" cmd /c exit > /dev/null 2>&1 || true
wineserver -w
wineserver -p

now() { date +%s.%N; }
# Seconds COMMAND takes; fails when it does.
timed() {
  local start
  start=$(now)
  "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }' 
}
linux_program() { "$linux/src/app/varkelo" --exit-code --folder "$1" "${@:2}"; }
wine_program() { "$root/scripts/wine-run" "$WINEPREFIX" "$windows/src/app/varkelo-cli.exe" --exit-code --folder "Z:$1" "${@:2}"; }

# One whole run and one export of PLATFORM in a fresh folder; appends "run export" to $work/PLATFORM.
measure() {
  local platform=$1 app="$work/$1"
  rm -rf "$app" && mkdir "$app" && printf '[System]\r\nAddress=127.0.0.1\r\n' > "$app/System.ini"
  "$linux/tools/gateway_sim" --image "$work/image.nmd" --address 127.0.0.1 --port 12000 --idle-timeout 60 \
    > "$work/sim.txt" 2>&1 &
  simulator=$!
  until ss -ltn | grep -q ':12000 '; do sleep 0.02; done
  local run export
  run=$(timed "${platform}_program" "$app")
  wait "$simulator" || { echo "the simulator saw wrong acknowledgements: $(cat "$work/sim.txt")" >&2; exit 1; }
  simulator=
  export=$(timed "${platform}_program" "$app" --export-only)
  echo "$run $export" >> "$work/$platform.times"
}

for round in $(seq "$rounds"); do
  # Interleaved, each platform first in every other round.
  if [ $((round % 2)) -eq 1 ]; then order="linux wine"; else order="wine linux"; fi
  for platform in $order; do measure "$platform"; done
done
diff -r -x System.ini "$work/linux" "$work/wine" > /dev/null || { echo "the trees differ" >&2; exit 1; }

# Median, least and most of a column of numbers.
summary() { sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f %.3f %.3f", m, v[1], v[NR] }'; }
echo "machine: $(nproc) cores, $(uname -r); $rounds rounds, seconds (median, least-most)"
printf '%-9s %-26s %-26s %s\n' "" "Linux" "Wine" "Wine/Linux"
for what in run download export; do
  column() { # PLATFORM: the values of $what
    case $what in
      run) awk '{ print $1 }' "$work/$1.times" ;;
      export) awk '{ print $2 }' "$work/$1.times" ;;
      download) awk '{ print $1 - $2 }' "$work/$1.times" ;;
    esac
  }
  read -r lm ll lh <<< "$(column linux | summary)"
  read -r wm wl wh <<< "$(column wine | summary)"
  printf '%-9s %-26s %-26s %.1fx\n' "$what" "$lm ($ll-$lh)" "$wm ($wl-$wh)" "$(awk -v a="$wm" -v b="$lm" 'BEGIN { print a / b }')"
done
