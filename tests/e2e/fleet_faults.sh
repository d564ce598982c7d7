#!/usr/bin/env bash
# A fleet whose folders go away while it runs: the others are read as ever, the gone ones are said once
# each, nothing is made where they were. Then 1,000 gateways one after the other under a low limit of
# open files: a descriptor kept by any run would fail the later ones.
source "$(dirname "$0")/common.bash"
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

fleet=$work/fleet
sample_export "$work/expected" --layout interval --days 3
: > "$work/list"
for i in 1 2 3 4 5; do
  app_folder "$fleet/gw0$i" "127.0.1.$i"
  echo "127.0.1.$i $work/expected/read.nmd" >> "$work/list"
done
"$linux/tools/gateway_sim" --list "$work/list" --record-delay 0.3 --idle-timeout 120 > "$work/sim.txt" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge 5 ] && break; sleep 0.05; done
"$varkelo" --exit-code --fleet "$fleet" --parallel 2 --report --metrics "$work/fleet.prom" > "$work/out.txt" 2> "$work/err.txt" &
fleet_pid=$!
# gw02 goes while it downloads, gw04 before its turn; gw03 is renamed away.
for _ in $(seq 400); do compgen -G "$fleet/gw02/.*.tmp" > /dev/null && break; sleep 0.025; done
rm -r "$fleet/gw02" "$fleet/gw04"
mv "$fleet/gw03" "$work/gw03"
# 7: gw02's error.txt could not be written, which the exit status says first.
expect_status 7 wait "$fleet_pid"
for gw in gw01 gw05; do
  report_is "$fleet/$gw/error.txt" 成功 && diff -r -x System.ini -x error.txt -x report.html "$work/expected" "$fleet/$gw" ||
    fail "$gw: not the gateway's image and tree"
done
[ "$(ls "$fleet")" == "$(printf 'gw01\ngw05\nindex.html')" ] || fail "made where a gateway was: $(ls "$fleet")"
[ ! -e "$work/gw03/error.txt" ] || fail "gw03 written after it was renamed away"
for gw in gw03 gw04; do
  [ "$(grep -c "^$gw  skipped: cannot lock the folder $fleet/$gw: No such file or directory$" "$work/out.txt")" -eq 1 ] ||
    fail "$gw gone: $(cat "$work/out.txt")"
done
grep -q "^gw02  .*  (error.txt not written)$" "$work/out.txt" && grep -q "^varkelo: gw02: cannot write $fleet/gw02/" "$work/err.txt" ||
  fail "gw02 gone while downloading: $(cat "$work/out.txt" "$work/err.txt")"
[ "$(grep -c '^gw0[1-5]  ' "$work/out.txt")" -eq 5 ] || fail "not one line per gateway: $(cat "$work/out.txt")"
summary=$(tail -n 1 "$work/out.txt")
[[ "$summary" == "成功 2 / 5; 3 failed: "* ]] || fail "summary: $summary"
for item in "gw02 (7)" "gw03 (skipped)" "gw04 (skipped)"; do [[ "$summary" == *"$item"* ]] || fail "summary: $summary"; done
promtool check metrics < "$work/fleet.prom" && grep -qxF 'varkelo_fleet_gateways{state="skipped"} 2' "$work/fleet.prom" &&
  grep -qxF 'varkelo_fleet_gateways{state="failed"} 1' "$work/fleet.prom" || fail "metrics: $(cat "$work/fleet.prom")"
kill "${pids[-1]}"

# 1,000 gateways, each serving two records: every run downloads, exports as far as the short image goes
# and reports (a whole image takes seconds in a test build). 64 open files leave room for one download.
rm -rf "$fleet" && : > "$work/list"
for i in $(seq 1000); do
  address=127.0.$((i / 200 + 10)).$((i % 200 + 1))
  app_folder "$(printf '%s/gw%04d' "$fleet" "$i")" "$address"
  echo "$address $work/expected/read.nmd" >> "$work/list"
done
(ulimit -n 4096 && exec "$linux/tools/gateway_sim" --list "$work/list" --records 2 --idle-timeout 300 > "$work/sim.txt" 2>&1) &
simulator=$!
pids+=("$simulator")
for _ in $(seq 400); do [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge 1000 ] && break; sleep 0.05; done
status=0
(ulimit -n 64 && exec "$varkelo" --exit-code --fleet "$fleet" --parallel 1 --metrics "$work/fleet.prom") \
  > "$work/out.txt" 2> "$work/err.txt" || status=$?
[ "$status" -eq 10 ] || fail "1,000 gateways: exit status $status: $(grep -v 'image ends' "$work/err.txt" | head -n 5)"
simulator_done
[ "$(grep -c ': gateway_sim: ok' "$work/sim.txt")" -eq 1000 ] || fail "not every gateway read once: $(head "$work/sim.txt")"
for folder in "$fleet"/gw*; do
  report_is "$folder/error.txt" CSVの作成中にエラーが発生しました。 || fail "$folder: $(grep -v 'image ends' "$work/err.txt" | head -n 5)"
done
[ "$(grep -c '^gw[0-9]*  CSVの作成中にエラーが発生しました。  [0-9.]* s$' "$work/out.txt")" -eq 1000 ] &&
  grep '^gw' "$work/out.txt" | sort -c || fail "not 1,000 lines in order: $(head "$work/out.txt")"
[[ "$(tail -n 1 "$work/out.txt")" == "成功 0 / 1000; 1000 failed: gw0001 (5), gw0002 (5), "* ]] || fail "the summary"
promtool check metrics < "$work/fleet.prom" && grep -qxF 'varkelo_fleet_gateways{state="failed"} 1000' "$work/fleet.prom" ||
  fail "metrics of 1,000 gateways"
echo "1 passed, 0 failed"
