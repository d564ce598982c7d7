#!/usr/bin/env bash
# varkelo.exe's status window under Xvfb and Wine, during a whole run against the Linux gateway
# simulator: the window with its caption, status text, the labels 読み込み and CSV作成 and two bars
# is there while the run works, refuses to close while busy, and is gone after the run, which still
# ends with 成功. Saves a screenshot as window.png in the build folder. Then a log-off during a
# download: the window agrees, and the run stops at once, reporting 異常. Then a fleet's window.
source "$(dirname "$0")/wine_namespace.bash"

Xvfb -displayfd 3 -screen 0 640x240x24 -nolisten tcp 3> "$work/display" > /dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

sample_export "$work/linux" --layout interval --seed 5 --days 60 --meters 40 --device-id WINDOW01
app_folder "$work/app"
start_simulator "$work/linux/read.nmd"
# With no window manager on the display, Wine draws the caption itself, its buttons with the
# Marlett font, which this Wine finds only among the prefix's fonts.
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f > /dev/null 2>&1
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wine_run "$exe/varkelo.exe" --folder "Z:$work/app" > /dev/null 2>&1 &
run_pid=$!
# 0 when the window is there; what it shows is in window.txt.
probe() {
  rm -f "$work/window.txt"
  wine_run "$build/tests/windows/window_probe.exe" "Z:$work/window.txt" "$@" > /dev/null 2>&1 || true
  [ -s "$work/window.txt" ] && ! grep -qx absent "$work/window.txt"
}
# The window as the probe saw it: caption, status text, both labels, two bars.
complete() {
  grep -qx 'caption Kov2 - Varkelo' "$work/window.txt" && grep -qx 'text 読み込み' "$work/window.txt" &&
    grep -qx 'text CSV作成' "$work/window.txt" && grep -q '^text 「127.0.0.1」のスマートゲートウェイ' "$work/window.txt" &&
    [ "$(grep -c '^bar ' "$work/window.txt")" -eq 2 ]
}

seen="" shot="" close_refused=""
for _ in $(seq 600); do
  kill -0 "$run_pid" 2> /dev/null || break
  probe || { sleep 0.1; continue; }
  seen=$(cat "$work/window.txt")
  if ! complete; then
    # Caught while the window was being made or taken down: look again.
    sleep 0.5
    probe || break
    complete || fail "the window lacks a part: $(cat "$work/window.txt")"
  fi
  if [ -z "$close_refused" ] && grep -q 'データ転送中' "$work/window.txt"; then
    # While the gateway is connected, closing the window is refused.
    probe close || fail "the window went away before the close request"
    sleep 0.5
    probe || fail "the window closed while the gateway was connected"
    close_refused=yes
  fi
  if grep -q 'データ転送中\|CSV作成中' "$work/window.txt"; then
    import -window root -crop "$(sed -n 's/^frame //p' "$work/window.txt")" +repage "$build/window.png"
    shot=yes
    grep -q 'CSV作成中' "$work/window.txt" && break
  fi
done
[ -n "$shot" ] || fail "the window was never seen during the run; last seen: $seen; error.txt: $(iconv -f cp932 -t utf-8 "$work/app/error.txt" 2>&1)"
[ -n "$close_refused" ] || fail "no close request was tried while connected"

wait "$run_pid" || true
probe && fail "the window is still there after the run"
grep -qx absent "$work/window.txt" || fail "the probe did not run after the run"
downloaded run "$work/app" "$work/linux"

app_folder "$work/stopped"
start_simulator "$work/linux/read.nmd" --fault silent --fault-after 1
wine_run "$exe/varkelo.exe" --exit-code --folder "Z:$work/stopped" > /dev/null 2>&1 &
run_pid=$!
for _ in $(seq 300); do probe && grep -q 'データ転送中' "$work/window.txt" && break; sleep 0.1; done
grep -q 'データ転送中' "$work/window.txt" || fail "log-off: the download was never seen: $(cat "$work/window.txt")"
probe end-session
grep -qx 'end-session agreed' "$work/window.txt" || fail "log-off: the window refused to end the session"
expect_status 6 wait "$run_pid"
report_is "$work/stopped/error.txt" 異常 || fail "log-off: error.txt"
simulator_done

# A fleet (exports only: no gateway needed): the window shows the whole's progress in its bars and keeps
# the summary in sight a few seconds, then goes by itself, or at once when closed or the session ends.
for name in 東京01 大阪02 名古屋03; do app_folder "$work/拠点/$name"; done
cp "$work/linux/read.nmd" "$work/拠点/東京01" && cp "$work/linux/read.nmd" "$work/拠点/大阪02"
for ending in time close end-session; do
  wine_run "$exe/varkelo.exe" --exit-code --export-only --fleet "Z:$work/拠点" > /dev/null 2>&1 &
  run_pid=$!
  for _ in $(seq 300); do probe && grep -q '^text 成功' "$work/window.txt" && break; sleep 0.1; done
  seen=$(cat "$work/window.txt")
  grep -qx 'text 成功 2 / 3; 1 failed: 名古屋03 (5)' <<< "$seen" && [ "$(grep -cx 'bar 100' <<< "$seen")" -eq 2 ] ||
    fail "fleet: the window at the end: $seen"
  if [ "$ending" != time ]; then probe "$ending"; else
    import -window root -crop "$(sed -n 's/^frame //p' "$work/window.txt")" +repage "$build/window-fleet.png"; fi
  started=$(date +%s%N)
  expect_status 10 wait "$run_pid"
  waited=$((($(date +%s%N) - started) / 1000000))
  if [ "$ending" != time ]; then [ "$waited" -lt 1500 ]; else [ "$waited" -gt 2500 ] && [ "$waited" -lt 15000 ]; fi ||
    fail "fleet: the window with the summary went $waited ms after it was seen ($ending)"
done
echo "1 passed, 0 failed"
