#!/usr/bin/env bash
# varkelo.exe under Wine as on a Japanese PC (code page 932) with no desktop,
# as a scheduled task may run it: a whole run against the Linux gateway
# simulator in a private network namespace, from an application folder with a
# Japanese name and a gateway whose device ID starts with a Windows device name.
# "read.nmd" must be the gateway's image, and "error.txt" and the CSV tree the
# bytes the Linux build makes; exports of both layouts match Linux too, and
# failures reach the exit status. The ZIP package holds what its README names,
# and its program writes "error.txt" into its own folder.
set -euo pipefail
source "$(dirname "$0")/wine_namespace.bash"
unset DISPLAY

success() { printf '\x90\xac\x8c\xf7\r\n'; } # 成功

"$linux/tools/make_sample_image" --layout half --seed 11 --days 45 --device-id nul.E2E0001 --out "$work/half.nmd" > /dev/null
linux_export "$work/half.nmd" "$work/linux-half"
[ -d "$work/linux-half/_nul.E2E0" ] || fail "the Linux build named the gateway folder $(ls "$work/linux-half")"

app="$work/読取アプリ"
mkdir -p "$app"
printf '[System]\r\nAddress=127.0.0.1\r\n' > "$app/System.ini"
start_simulator "$work/half.nmd"
status=0
wine_run "$build/src/app/varkelo.exe" --exit-code --folder "Z:$app" || status=$?
[ "$status" -eq 0 ] || fail "download: exit status $status"
wait "$simulator" || fail "the simulator saw wrong acknowledgements: $(cat "$work/sim.txt")"
success | cmp -s - "$app/error.txt" || fail "download: error.txt"
cmp -s "$work/half.nmd" "$app/read.nmd" || fail "read.nmd differs from the gateway's image"
diff -r "$work/linux-half/_nul.E2E0" "$app/_nul.E2E0" > /dev/null || fail "download: the CSV tree differs from Linux's"

# The interval layout, exported again from a stored image by the console program.
"$linux/tools/make_sample_image" --layout interval --seed 3 --days 60 --meters 40 --device-id 'CON. 123' --out "$work/interval.nmd" > /dev/null
linux_export "$work/interval.nmd" "$work/linux-interval"
mkdir -p "$work/win-interval"
cp "$work/interval.nmd" "$work/win-interval/read.nmd"
wine_run "$build/src/app/varkelo-cli.exe" --export-only --exit-code --folder "Z:$work/win-interval" > "$work/console.txt" ||
  fail "interval export: exit status $?"
grep -q "CSV作成中" "$work/console.txt" || fail "varkelo-cli printed no status line"
rm "$work/win-interval/read.nmd" "$work/linux-interval/read.nmd"
diff -r "$work/linux-interval" "$work/win-interval" > /dev/null || fail "interval export: the tree differs from Linux's"

# Failures reach the exit status without a console: no System.ini, a bad option.
empty="$work/空"
mkdir -p "$empty"
status=0
wine_run "$build/src/app/varkelo.exe" --exit-code --folder "Z:$empty" || status=$?
[ "$status" -eq 2 ] || fail "no System.ini: exit status $status"
[ -s "$empty/error.txt" ] || fail "no System.ini: no error.txt"
status=0
wine_run "$build/src/app/varkelo.exe" --no-such-option 2> /dev/null || status=$?
[ "$status" -eq 64 ] || fail "bad option: exit status $status"

(cd "$build" && cpack -B "$work/package" > /dev/null) || fail "cpack"
(cd "$work/package" && cmake -E tar xf varkelo-*-windows-x64.zip)
packaged=$(find "$work/package" -mindepth 1 -maxdepth 1 -type d -name 'varkelo-*-windows-x64')
for file in varkelo.exe varkelo-cli.exe System.ini README.txt; do
  [ -f "$packaged/$file" ] || fail "the package lacks $file"
done
grep -q $'^Address=192.0.2.10\r$' "$packaged/System.ini" || fail "System.ini is not the CR LF example"
rm "$packaged/System.ini" # no address: a run that ends at once, with its report
status=0
(cd "$work" && wine_run "$packaged/varkelo.exe" --exit-code) || status=$?
[ "$status" -eq 2 ] || fail "packaged program: exit status $status"
[ -s "$packaged/error.txt" ] || fail "packaged program: no error.txt in its own folder"
echo "1 passed, 0 failed"
