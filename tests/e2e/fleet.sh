#!/usr/bin/env bash
# A fleet: one process reads out every gateway folder of a fleet folder, three at a time, against one
# simulator standing for all the gateways on 127.0.1.x. Each folder must hold byte for byte what a single
# run of it writes; a failing gateway is its own "error.txt" only; two folders naming one address are
# read one after the other; a link to a gateway folder is skipped and said. Then a stop ends every run.
source "$(dirname "$0")/common.bash"
# A command that fails outside the checks says which.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

fleet=$work/fleet single=$work/single
mkdir -p "$fleet" "$single"
: > "$work/list"
for i in 1 2 3 4; do
  "$maker" --layout "$([ $((i % 2)) -eq 0 ] && echo half || echo interval)" --seed "$i" --days 3 \
    --device-id "GW00000$i" --out "$work/image$i.nmd" > /dev/null
  app_folder "$fleet/gw0$i" "127.0.1.$i"
  echo "127.0.1.$i $work/image$i.nmd" >> "$work/list"
done
# gw05 names gw01's gateway: its second client. gw06: nothing listens there. gw07: no valid address.
app_folder "$fleet/gw05" 127.0.1.1
echo "127.0.1.1 $work/image1.nmd" >> "$work/list"
app_folder "$fleet/gw06" 127.0.1.6
app_folder "$fleet/gw07" gateway.local
ln -s "$fleet/gw01" "$fleet/gw08"
mkdir "$fleet/notes" && touch "$fleet/readme.txt"
cp -r "$fleet"/gw0[1-7] "$single"
serve() {
  "$linux/tools/gateway_sim" --list "$work/list" --record-delay 0.2 --idle-timeout 120 > "$work/sim.txt" 2>&1 &
  simulator=$!
  pids+=("$simulator")
  for _ in $(seq 100); do [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge 4 ] && return; sleep 0.05; done
}

# No fleet there, a shard that is none: said, nothing written.
expect_status 64 "$varkelo" --fleet "$work/none"
expect_status 64 "$varkelo" --fleet "$fleet" --shard 2/2
[ -z "$(find "$fleet" -name error.txt)" ] || fail "written after a usage error"

serve
expect_status 10 "$varkelo" --exit-code --fleet "$fleet" --parallel 3 --report --metrics "$work/fleet.prom" \
  > "$work/out.txt" 2> "$work/err.txt"
simulator_done
# The figures for monitoring: in the exposition format, per gateway and for the whole.
promtool check metrics < "$work/fleet.prom" || fail "metrics: $(cat "$work/fleet.prom")"
for figure in 'varkelo_fleet_gateways{state="failed"} 2' \
  "varkelo_gateway_result_code{folder=\"$fleet/gw06\",address=\"127.0.1.6\"} 3" \
  "varkelo_gateway_records_downloaded{folder=\"$fleet/gw02\",address=\"127.0.1.2\"} 8192" \
  "varkelo_gateway_success{folder=\"$fleet/gw05\",address=\"127.0.1.1\"} 1"; do
  grep -qxF "$figure" "$work/fleet.prom" || fail "metrics: no $figure"
done
[ "$(tail -n 1 "$work/out.txt")" == "成功 5 / 7; 2 failed: gw06 (3), gw07 (2)" ] ||
  fail "summary: $(tail -n 1 "$work/out.txt")"
grep -q "^gw06  「127.0.1.6」のスマートゲートウェイの接続に失敗しました。  [0-9.]* s$" "$work/out.txt" || fail "gw06's line"
grep -q "^varkelo: skipped $fleet/gw08: a symbolic link, not followed$" "$work/err.txt" || fail "the link: $(cat "$work/err.txt")"
grep -q "^varkelo: gw07: invalid Address=gateway.local" "$work/err.txt" || fail "gw07's reason"
[ ! -e "$fleet/notes/error.txt" ] || fail "a folder without System.ini was read"
# gw01 and gw05 both read (never at once: the fleet's unit tests count the connections).
[ "$(grep -c '^127.0.1.1: gateway_sim: ok' "$work/sim.txt")" -eq 2 ] || fail "gw01 and gw05: $(cat "$work/sim.txt")"

# The fleet's page in a real browser: a row per gateway, failures first, each linking to its gateway's page.
chromium_page() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-sync \
    --disable-background-networking --disable-component-update --user-data-dir="$profile" "$@" \
    "file://$fleet/index.html" 2> "$work/chromium.txt" || fail "chromium: $(tail -3 "$work/chromium.txt")"
}
chromium_page --dump-dom > "$work/dom.html"
order=$(grep -o '<tr class="[a-z]*"><td>\(<a href="[^"]*">\)\?gw0[0-9]' "$work/dom.html" | grep -o 'gw0[0-9]$' | tr '\n' ' ' || true)
[ "$order" == "gw06 gw07 gw01 gw02 gw03 gw04 gw05 " ] || fail "the fleet page's rows: $order"
[ "$(grep -c '<tr class="failed">' "$work/dom.html")" -eq 2 ] || fail "the fleet page's failures"
for link in $(grep -o 'href="[^"]*"' "$work/dom.html" | cut -d'"' -f2); do
  [ -f "$fleet/$link" ] || fail "the fleet page links to $link, which is not there"
done
[ "$(grep -o 'href="[^"]*"' "$work/dom.html" | wc -l)" -eq 5 ] || fail "the fleet page links to no page of some gateway"
chromium_page --hide-scrollbars --window-size=1500,420 --screenshot="$build/fleet-page.png" > /dev/null
[ "$(head -c 4 "$build/fleet-page.png" | tail -c 3)" == PNG ] || fail "no screenshot of the fleet page"

serve
for i in 1 2 3 4 5 6 7; do "$varkelo" --folder "$single/gw0$i" --metrics "$work/gw0$i.prom" > /dev/null 2>&1 || true; done
simulator_done
promtool check metrics < "$work/gw01.prom" && grep -q '^varkelo_gateway_day_files_written{.*} 4$' "$work/gw01.prom" ||
  fail "a single run's metrics: $(cat "$work/gw01.prom")"
diff -r "$single" "$fleet" -x gw08 -x notes -x readme.txt -x report.html -x index.html > "$work/diff.txt" || fail "not as single runs: $(head "$work/diff.txt")"

# A folder another run holds is skipped and said, and left as it is.
rm "$fleet/gw03/error.txt"
flock -o "$fleet/gw03" sleep 60 &
pids+=($!)
sleep 0.2
expect_status 10 "$varkelo" --exit-code --export-only --fleet "$fleet" > "$work/out.txt" 2> "$work/err.txt"
grep -q '^gw03  skipped: another run is reading this gateway$' "$work/out.txt" || fail "gw03 held: $(cat "$work/out.txt")"
[ ! -e "$fleet/gw03/error.txt" ] && report_is "$fleet/gw04/error.txt" 成功 || fail "gw03 written while held"
kill "${pids[-1]}"

# A stop: every run under way ends within a second with 異常 and its reason; the others are left alone.
rm -f "$fleet"/gw0*/error.txt
sed -i 's/^\(127.0.1.[0-9]\) .*/\1 '"${work//\//\\/}"'\/image1.nmd/' "$work/list"
"$linux/tools/gateway_sim" --list "$work/list" --fault silent --fault-after 2 --idle-timeout 20 > /dev/null 2>&1 &
pids+=($!)
sleep 0.5
"$varkelo" --exit-code --fleet "$fleet" --parallel 2 > "$work/out.txt" 2> "$work/err.txt" &
fleet_pid=$!
wait_for "$work/out.txt" "running 2 of 7"
sleep 0.5
started=$(date +%s%N)
kill -TERM "$fleet_pid"
expect_status 10 wait "$fleet_pid"
waited=$((($(date +%s%N) - started) / 1000000))
[ "$waited" -lt 1000 ] || fail "the fleet ended $waited ms after the stop"
for gw in gw01 gw02; do report_is "$fleet/$gw/error.txt" 異常 || fail "$gw after the stop: $(cat "$work/out.txt")"; done
[ ! -e "$fleet/gw07/error.txt" ] || fail "a gateway not started was written"
[ "$(tail -n 1 "$work/out.txt")" == "成功 0 / 7; 2 failed: gw01 (6), gw02 (6); 5 not read" ] ||
  fail "summary after the stop: $(tail -n 1 "$work/out.txt")"

# Too few open files for a download: every run, single or fleet, ends with 異常 and says why. A low limit
# bounds --parallel, and says so.
limited() { local files=$1 status=$2; shift 2; expect_status "$status" bash -c 'ulimit -n "$0"; exec "$@"' "$files" "$varkelo" "$@"; }
# 12 files: the sanitizers of a test build need a few of the 5 a plain program gets by with.
limited 12 6 --exit-code --folder "$single/gw01" > /dev/null 2> "$work/err.txt"
report_is "$single/gw01/error.txt" 異常 && grep -q "open 12 files, too few for a run" "$work/err.txt" || fail "single run, 12 files"
limited 12 10 --exit-code --fleet "$fleet" > /dev/null 2> "$work/err.txt"
report_is "$fleet/gw07/error.txt" 異常 && [ "$(grep -c "too few for a run" "$work/err.txt")" -eq 7 ] || fail "fleet, 12 files: $(cat "$work/err.txt")"
limited 40 0 --export-only --fleet "$fleet" > /dev/null 2> "$work/err.txt"
grep -q "^varkelo: --parallel 64 lowered to 8: the system lets the process open 40 files$" "$work/err.txt" &&
  report_is "$fleet/gw01/error.txt" 成功 || fail "fleet, 40 files: $(cat "$work/err.txt")"
echo "1 passed, 0 failed"
