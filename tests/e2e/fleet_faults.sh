#!/usr/bin/env bash
# Gateway folders gone during a fleet (gw02 while it downloads, gw04 before its turn, gw03 renamed away):
# the others are read as ever, each gone one is said once, nothing is made where it was. Then 1,000
# gateways one after the other with 64 open files: a descriptor kept by any run would fail the later ones.
source "$(dirname "$0")/common.bash"
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
fleet=$work/fleet
sample_export "$work/expected" --layout interval --days 3
for i in 1 2 3 4 5; do app_folder "$fleet/gw0$i" "127.0.1.$i" && echo "127.0.1.$i $work/expected/read.nmd"; done > "$work/list"
"$linux/tools/gateway_sim" --list "$work/list" --record-delay 0.3 --idle-timeout 120 > "$work/sim.txt" 2>&1 & pids+=($!)
for _ in $(seq 100); do [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge 5 ] && break; sleep 0.05; done
"$varkelo" --fleet "$fleet" --parallel 2 --report --metrics "$work/fleet.prom" > "$work/out.txt" 2> "$work/err.txt" & fleet_pid=$!
for _ in $(seq 2400); do compgen -G "$fleet/gw02/.*.tmp" > /dev/null && break; sleep 0.025; done
rm -r "$fleet/gw02" "$fleet/gw04" && mv "$fleet/gw03" "$work/gw03"
expect_status 7 wait "$fleet_pid" # gw02's error.txt could not be written: the exit status says so first
for gw in gw01 gw05; do diff -r -x System.ini -x error.txt -x report.html "$work/expected" "$fleet/$gw" || fail "$gw's files"; done
[ "$(ls "$fleet")" == "$(printf 'gw01\ngw05\nindex.html')" ] && [ ! -e "$work/gw03/error.txt" ] || fail "made where a gateway was"
[ "$(grep -c "^gw0[34]  skipped: cannot lock the folder $fleet/gw0[34]: No such file or directory$" "$work/out.txt")" -eq 2 ] &&
  grep -q "^varkelo: gw02: cannot write $fleet/gw02/" "$work/err.txt" || fail "gone: $(cat "$work/out.txt" "$work/err.txt")"
# Skipped ones are counted apart, with no figures of their own (a run that holds a folder writes those).
promtool check metrics < "$work/fleet.prom" && grep -qxF 'varkelo_fleet_gateways{state="skipped"} 2' "$work/fleet.prom" &&
  ! grep -q 'gw0[34]"' "$work/fleet.prom" || fail "metrics: $(cat "$work/fleet.prom")"
kill "${pids[-1]}"

# Two records each (a whole image takes seconds in a test build): each run downloads, exports what it can, reports.
rm -r "$fleet"
for i in $(seq 1000); do
  address=127.0.$((i / 200 + 10)).$((i % 200 + 1))
  app_folder "$(printf '%s/gw%04d' "$fleet" "$i")" "$address" && echo "$address $work/expected/read.nmd"
done > "$work/list"
(ulimit -n 4096 && exec "$linux/tools/gateway_sim" --list "$work/list" --records 2 --idle-timeout 300 > "$work/sim.txt" 2>&1) &
simulator=$! && pids+=("$simulator")
for _ in $(seq 400); do [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge 1000 ] && break; sleep 0.05; done
status=0 && (ulimit -n 64 && exec "$varkelo" --exit-code --fleet "$fleet" --parallel 1 --metrics "$work/fleet.prom") \
  > "$work/out.txt" 2> "$work/err.txt" || status=$?
[ "$status" -eq 10 ] || fail "1,000 gateways: exit status $status: $(grep -v 'image ends' "$work/err.txt" | head -n 5)"
simulator_done
# Each with its report written (a line that ends with its seconds), in the folders' order.
[ "$(grep -c '^gw[0-9]*  CSVの作成中にエラーが発生しました。  [0-9.]* s$' "$work/out.txt")" -eq 1000 ] &&
  grep '^gw' "$work/out.txt" | sort -c || fail "not 1,000 lines in order: $(head "$work/out.txt")"
promtool check metrics < "$work/fleet.prom" || fail "metrics of 1,000 gateways"
echo "1 passed, 0 failed"
