# Sourced by the end-to-end and Windows test scripts (arguments: the build under test, then for
# the Windows tests the Linux build and the source folder). Runs the script in a private network
# namespace with loopback up, and gives it the Linux build's $varkelo and $maker, $work (removed at
# the end, after the processes in $pids are killed) and the functions below.
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
set -euo pipefail
ip link set lo up
build=$1 linux=${2:-$1}
varkelo="$linux/src/app/varkelo" maker="$linux/tools/make_sample_image"
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs COMMAND and fails unless it exits with STATUS.
expect_status() {
  local status=0
  "${@:2}" || status=$?
  [ "$status" -eq "$1" ] || fail "exit status $status, not $1: ${*:2}"
}
# FILE holds exactly the line TEXT, in code page 932 with CR LF, as "error.txt" does.
report_is() { printf '%s\r\n' "$2" | iconv -f utf-8 -t cp932 | cmp -s - "$1"; }
# A sample image made with the OPTIONs as DIR/read.nmd, and the Linux build's export of it in DIR.
sample_export() {
  mkdir -p "$1" && "$maker" "${@:2}" --out "$1/read.nmd" > /dev/null
  "$varkelo" --export-only --folder "$1" > /dev/null
}
# An application folder DIR whose System.ini names the gateway at ADDRESS (default 127.0.0.1).
app_folder() { mkdir -p "$1" && printf '[System]\r\nAddress=%s\r\n' "${2:-127.0.0.1}" > "$1/System.ini"; }
# Waits up to 10 s for FILE to hold TEXT.
wait_for() { for _ in $(seq 2000); do grep -q "$2" "$1" 2> /dev/null && return; sleep 0.005; done; }
# Sends SIGNAL (default TERM) to the run PID in APP and checks that it ended within a second, with 異常
# in error.txt, exit status 6, and saying so on standard error ($work/said.txt); NAME for the failure.
stopped() {
  local name=$1 pid=$2 app=$3 signal=${4:-TERM} started waited
  started=$(date +%s%N)
  kill -"$signal" "$pid"
  expect_status 6 wait "$pid"
  waited=$((($(date +%s%N) - started) / 1000000))
  [ "$waited" -lt 1000 ] || fail "$name: ended $waited ms after the stop"
  report_is "$app/error.txt" 異常 || fail "$name: error.txt"
  [ "$(cat "$work/said.txt")" == "varkelo: run stopped by SIG$signal in $app" ] ||
    fail "$name: standard error says '$(cat "$work/said.txt")'"
}

# The Linux gateway simulator on 127.0.0.1:12000 serving IMAGE once, with the
# OPTIONs; its pid is $simulator and what it says goes to $work/sim.txt.
start_simulator() {
  "$linux/tools/gateway_sim" --image "$1" --address 127.0.0.1 --port 12000 --idle-timeout 120 "${@:2}" \
    > "$work/sim.txt" 2>&1 &
  simulator=$!
  pids+=("$simulator")
  for _ in $(seq 100); do ss -ltn 2> /dev/null | grep -q ':12000 ' && return; sleep 0.05; done
}
simulator_done() { wait "$simulator" || fail "the simulator saw wrong acknowledgements: $(cat "$work/sim.txt")"; }
# The run NAME in APP ended with 成功 and left the gateway's image as read.nmd
# and its tree as the Linux build exported them into EXPECTED, and nothing else.
downloaded() {
  report_is "$2/error.txt" 成功 || fail "$1: error.txt"
  diff -r -x System.ini -x error.txt "$3" "$2" > /dev/null || fail "$1: not the gateway's image and tree"
}
