#!/usr/bin/env bash
# varkelo.exe under Wine as on a Japanese PC (code page 932) with no desktop, as a scheduled task
# may run it: a whole run against the Linux gateway simulator, from an application folder with a
# Japanese name, of a gateway whose device ID starts with a Windows device name, must give the Linux
# build's bytes; so must varkelo-cli's export of the other layout, in a folder with a blank in its
# name; failures reach the exit status, and varkelo-cli says why, in UTF-8 and in the system's words,
# also for a socket. The ZIP holds what its README names; its program writes "error.txt" beside it.
# A held folder refuses a second run. A fleet of Japanese gateway folders gives the Linux build's bytes.
source "$(dirname "$0")/wine_namespace.bash"
unset DISPLAY

sample_export "$work/linux-half" --layout half --seed 11 --days 45 --device-id nul.E2E0001
[ -d "$work/linux-half/_nul.E2E0" ] || fail "the Linux build named the gateway folder $(ls "$work/linux-half")"
app="$work/読取アプリ"
app_folder "$app"
start_simulator "$work/linux-half/read.nmd"
expect_status 0 wine_run "$exe/varkelo.exe" --exit-code --folder "Z:$app"
simulator_done
downloaded download "$app" "$work/linux-half"

sample_export "$work/linux-interval" --layout interval --seed 3 --days 60 --meters 40 --device-id 'CON. 123'
mkdir "$work/win interval" && cp "$work/linux-interval/read.nmd" "$work/win interval"
wine_run "$exe/varkelo-cli.exe" --export-only --exit-code --folder "Z:$work/win interval" > "$work/console.txt" ||
  fail "interval export: exit status $?"
grep -q "CSV作成中" "$work/console.txt" || fail "varkelo-cli printed no status line"
diff -r "$work/linux-interval" "$work/win interval" > /dev/null || fail "interval export: the tree differs from Linux's"

# Failures reach the exit status without a console: no System.ini, a bad option.
mkdir "$work/空"
expect_status 2 wine_run "$exe/varkelo.exe" --exit-code --folder "Z:$work/空"
[ -s "$work/空/error.txt" ] || fail "no System.ini: no error.txt"
expect_status 64 wine_run "$exe/varkelo.exe" --no-such-option 2> /dev/null
# varkelo-cli also says why, in UTF-8, whatever the error's category: the system's text (Japanese
# here), or where Wine has none, the POSIX words (a pattern each). Only loopback has a route here.
app_folder "$work/refused"
app_folder "$work/unreachable" 10.255.0.1
for case in "空|2|cannot read Z:*/空?System.ini: ファイルが見つかりません。" \
  "refused|3|cannot connect to the gateway at 127.0.0.1:12000: 接続は拒否されました。" \
  "unreachable|3|cannot connect to the gateway at 10.255.0.1:12000: Network is unreachable (system error 10051)"; do
  IFS='|' read -r name status reason <<< "$case"
  expect_status "$status" wine_run "$exe/varkelo-cli.exe" --exit-code --folder "Z:$work/$name" > /dev/null 2> "$work/why.txt"
  said=$(tr -d '\r' < "$work/why.txt")
  [[ $said == "varkelo: "$reason ]] || fail "$name: $said"
done

(cd "$build" && cpack -B "$work/package" > /dev/null) || fail "cpack"
(cd "$work/package" && cmake -E tar xf varkelo-*-windows-x64.zip)
packaged=$(echo "$work"/package/varkelo-*-windows-x64/)
[ "$(ls "$packaged" | tr '\n' ' ')" == "LICENSE.txt README.txt System.ini varkelo-cli.exe varkelo.exe " ] ||
  fail "the package holds $(ls "$packaged")"
# Notepad of any Windows version reads the README as UTF-8 only with its byte-order mark.
[ "$(head -c 3 "$packaged/README.txt")" == $'\xef\xbb\xbf' ] || fail "README.txt has no byte-order mark"
! grep -q $'[^\r]$' "$packaged/README.txt" || fail "README.txt has a line without CR LF"
# Both programs carry their manifest, and no debug information.
for program in varkelo.exe varkelo-cli.exe; do
  headers=$(x86_64-w64-mingw32-objdump -p -h "$packaged/$program")
  grep -q 'Entry: ID: 0x000018,' <<< "$headers" || fail "$program lacks its manifest"
  ! grep -q '\.debug_' <<< "$headers" || fail "$program is not stripped"
done
grep -q $'^Address=192.0.2.10\r$' "$packaged/System.ini" || fail "System.ini is not the CR LF example"
rm "$packaged/System.ini" # no address: a run that ends at once, with its report
(cd "$work" && expect_status 2 wine_run "$packaged/varkelo.exe" --exit-code)
[ -s "$packaged/error.txt" ] || fail "packaged program: no error.txt in its own folder"

# While a run holds the folder, a second one writes nothing and exits with 9; the holder's failed
# download keeps the image, and its lock file goes with it.
start_simulator "$work/linux-half/read.nmd" --fault silent --fault-after 5
wine_run "$packaged/varkelo-cli.exe" --folder "Z:$app" > "$work/holder.txt" 2>&1 &
holder=$!
wait_for "$work/holder.txt" データ転送中
expect_status 9 wine_run "$packaged/varkelo-cli.exe" --exit-code --export-only --folder "Z:$app" > /dev/null 2>&1
kill "$simulator" && wait "$holder"
[ ! -e "$app/varkelo.lock" ] && cmp -s "$app/read.nmd" "$work/linux-half/read.nmd" || fail "held folder: $(ls -A "$app")"

# A fleet of gateway folders with Japanese names, one naming an address where no gateway listens: each
# folder holds the Linux build's bytes, the console says each gateway and the summary last, and 10.
: > "$work/list"
for gateway in "東京01 127.0.1.1 linux-half" "大阪02 127.0.1.2 linux-interval" "名古屋03 127.0.1.3"; do
  read -r name address image <<< "$gateway"
  app_folder "$work/拠点/$name" "$address"
  [ -z "$image" ] || echo "$address $work/$image/read.nmd" >> "$work/list"
done
"$linux/tools/gateway_sim" --list "$work/list" --idle-timeout 120 > "$work/sim.txt" 2>&1 &
simulator=$! && pids+=("$simulator")
for _ in $(seq 100); do [ "$(ss -ltnH 'sport = :12000' | wc -l)" -ge 2 ] && break; sleep 0.05; done
ended=0
wine_run "$exe/varkelo-cli.exe" --exit-code --fleet "Z:$work/拠点" > "$work/fleet.txt" 2> "$work/why.txt" || ended=$?
[ "$ended" -eq 10 ] || fail "the fleet's exit status: $ended; $(cat "$work/why.txt")"
simulator_done
downloaded 東京01 "$work/拠点/東京01" "$work/linux-half"
downloaded 大阪02 "$work/拠点/大阪02" "$work/linux-interval"
report_is "$work/拠点/名古屋03/error.txt" 「127.0.1.3」のスマートゲートウェイの接続に失敗しました。 &&
  [ ! -e "$work/拠点/名古屋03/read.nmd" ] || fail "名古屋03: $(ls "$work/拠点/名古屋03")"
said=$(tr -d '\r' < "$work/fleet.txt")
for line in "東京01  成功" "大阪02  成功" "名古屋03  「127.0.1.3」のスマートゲートウェイの接続に失敗しました。"; do
  grep -q "^$line  [0-9]*\.[0-9] s$" <<< "$said" || fail "the fleet's console lacks '$line': $said"
done
[ "$(tail -n 1 <<< "$said")" == "成功 2 / 3; 1 failed: 名古屋03 (3)" ] || fail "the fleet's summary: $said"
tr -d '\r' < "$work/why.txt" | grep -qx "varkelo: 名古屋03: cannot connect to the gateway at 127.0.1.3:12000: 接続は拒否されました。" ||
  fail "名古屋03's reason: $(cat "$work/why.txt")"
echo "1 passed, 0 failed"
