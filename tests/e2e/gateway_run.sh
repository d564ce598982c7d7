#!/usr/bin/env bash
# One whole unattended run over a poor link: the built varkelo against the
# gateway simulator on port 12000, inside a private network namespace, with a
# low loopback MTU and a sender that holds back the tail of each frame. Checks
# "error.txt", that "read.nmd" is the gateway's image, and that the CSV tree is
# the one the same image exports to. Plain runs are many_gateways.sh's.
set -euo pipefail
build=$1
if [ "${VARKELO_IN_NAMESPACE:-}" != 1 ]; then
  exec unshare -n env VARKELO_IN_NAMESPACE=1 bash "$0" "$@"
fi
ip link set lo up

varkelo="$build/src/app/varkelo"
sim="$build/tools/gateway_sim"
maker="$build/tools/make_sample_image"
work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$maker" --layout half --seed 11 --days 45 --device-id GW-E2E-0001 --out "$work/image.nmd" > /dev/null
mkdir -p "$work/expected"
cp "$work/image.nmd" "$work/expected/read.nmd"
"$varkelo" --export-only --folder "$work/expected" > /dev/null

ip link set lo mtu 576
app="$work/app"
mkdir -p "$app"
printf '[System]\r\nAddress=127.0.0.1\r\n' > "$app/System.ini"
"$sim" --image "$work/image.nmd" --address 127.0.0.1 --port 12000 --idle-timeout 60 --fault nagle > "$work/sim.txt" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  ss -ltn 2> /dev/null | grep -q ':12000 ' && break
  sleep 0.05
done
"$varkelo" --exit-code --folder "$app" > "$work/console.txt" || fail "exit status $?"
wait "$sim_pid" || fail "the simulator saw wrong acknowledgements: $(cat "$work/sim.txt")"
sim_pid=""
grep -q "データ転送中" "$work/console.txt" || fail "no transfer status printed"
printf '\x90\xac\x8c\xf7\r\n' | cmp -s - "$app/error.txt" || fail "error.txt"
cmp -s "$work/image.nmd" "$app/read.nmd" || fail "read.nmd differs from the gateway's image"
diff -r "$work/expected/GW-E2E-0" "$app/GW-E2E-0" > /dev/null || fail "the CSV tree differs"
echo "1 passed, 0 failed"
