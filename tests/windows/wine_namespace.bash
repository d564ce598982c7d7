# Sourced by the Windows tests (arguments: the Windows build, the Linux build,
# the source folder). Re-enters the test in a private network namespace with
# loopback up, and gives it: $work (removed at the end), wine_run, fail,
# $pids (killed at the end), start_simulator IMAGE and linux_export IMAGE DIR.
build=$1 linux=$2 source=$3
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
ip link set lo up

export WINEPREFIX="$build/wine"
wine_run() { "$source/scripts/wine-run" "$WINEPREFIX" "$@"; }
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  wineserver -k 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Wine opens sockets in its server: one started outside this namespace would
# reach another loopback.
wineserver -k 2> /dev/null || true

# The Linux gateway simulator on 127.0.0.1:12000, serving IMAGE once; its pid
# is $simulator and its summary in $work/sim.txt.
start_simulator() {
  "$linux/tools/gateway_sim" --image "$1" --address 127.0.0.1 --port 12000 --idle-timeout 120 > "$work/sim.txt" 2>&1 &
  simulator=$!
  pids+=("$simulator")
  for _ in $(seq 100); do
    ss -ltn 2> /dev/null | grep -q ':12000 ' && return
    sleep 0.05
  done
}

# The Linux build's export of IMAGE into DIR, which it makes.
linux_export() {
  mkdir -p "$2"
  cp "$1" "$2/read.nmd"
  "$linux/src/app/varkelo" --export-only --folder "$2" > /dev/null
}
