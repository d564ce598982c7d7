#!/usr/bin/env bash
# The installer under Wine, signed with a throw-away certificate as a release is with its own: it holds
# its files and upgrade code, installs quietly for all users (files, version resources, uninstall entry),
# its varkelo-cli reads a gateway folder under %ProgramData%\Varkelo as the Linux build does, a newer one
# upgrades it, Task Scheduler takes the printed task, whose command line reads the gateway, and an
# uninstall removes the programs and keeps the gateway's data.
source "$(dirname "$0")/wine_namespace.bash"
unset DISPLAY
source_folder=$3
installed="$WINEPREFIX/drive_c/Program Files/Varkelo" data="$WINEPREFIX/drive_c/ProgramData/Varkelo"
cli='C:\Program Files\Varkelo\varkelo-cli.exe' gateway='C:\ProgramData\Varkelo\gw1'
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
newer="${version%.*}.$((${version##*.} + 1))"
upgrade_code=$(grep -o 'UpgradeCode="[^"]*"' "$source_folder/packaging/windows/varkelo.wxs" | cut -d'"' -f2)
# Of each uninstall entry of Varkelo, its version, or with "code" its product code.
entries() {
  wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' | awk -v what="${1:-}" '
    function done() { if (name == "Varkelo") print (what == "code" ? key : version) }
    /^HKEY/ { done(); key = $0; sub(/.*\\/, "", key); name = version = "" }
    $1 == "DisplayName" { name = $3 }
    $1 == "DisplayVersion" { version = $3 }
    END { done() }'
}
# A run that failed half-way left its product, data and task in the build's Wine prefix.
for product in $(entries code); do wine_run msiexec /x "$product" /qn; done
rm -rf "$data" "$WINEPREFIX/drive_c/windows/system32/tasks/Varkelo"

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Varkelo test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/sign.p12" -passout pass:
export VARKELO_SIGN_PKCS12="$work/sign.p12"
msi=$("$source_folder/packaging/windows/build-msi" "$build" "$work/msi")
update=$("$source_folder/packaging/windows/build-msi" "$build" "$work/update" "$newer")
files=$(msiinfo export "$msi" File | cut -f3) upgrades=$(msiinfo export "$msi" Upgrade)
[ "$(grep -cxE 'varkelo(-cli)?\.exe|README\.txt|LICENSE\.txt' <<< "$files")" -eq 4 ] || fail "the installer holds $files"
grep -qi "{$upgrade_code}" <<< "$upgrades" || fail "the installer lacks its upgrade code"
osslsigncode verify -CAfile "$work/cert.pem" -in "$msi" > "$work/verify.txt" 2>&1 || fail "signature: $(cat "$work/verify.txt")"
echo "$(basename "$msi"): $(stat -c %s "$msi") bytes, signed and verified"

expect_status 0 wine_run msiexec /i "Z:$msi" /qn
[ "$(ls "$installed" | tr '\n' ' ')" == "LICENSE.txt README.txt varkelo-cli.exe varkelo.exe " ] && [ -d "$data" ] ||
  fail "installed: $(ls "$installed" "$data")"
for program in varkelo.exe varkelo-cli.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$installed/$program" > /dev/null 2>&1 || fail "$program is not signed"
  [[ $(x86_64-w64-mingw32-windres -i "$installed/$program" -O rc) == *"\"FileVersion\", \"$version\""* ]] ||
    fail "$program has no version resource"
done
[ "$(entries)" == "$version" ] || fail "uninstall entries: $(entries)"

sample_export "$work/linux" --layout interval --seed 7 --days 40 --meters 12 --device-id MSI00001
app_folder "$data/gw1"
start_simulator "$work/linux/read.nmd"
expect_status 0 wine_run "$cli" --exit-code --folder "$gateway" > /dev/null
simulator_done
downloaded installed "$data/gw1" "$work/linux"

expect_status 0 wine_run msiexec /i "Z:$update" /qn
[ "$(entries)" == "$newer" ] || fail "after the upgrade, the uninstall entries: $(entries)"

wine_run "$cli" --print-task --folder "$gateway" > "$work/task.xml"
expect_status 0 wine_run schtasks /Create /TN 'Varkelo\gw1' /XML "Z:$work/task.xml" > /dev/null
# Wine keeps the settings of the task it stores, but not its trigger, principal or command line.
settings='<(MultipleInstancesPolicy>IgnoreNew|ExecutionTimeLimit>PT2H|StartWhenAvailable>true)<'
[ "$(grep -cE "$settings" "$WINEPREFIX/drive_c/windows/system32/tasks/Varkelo/gw1")" -eq 3 ] || fail "the stored task"
# A fleet folder is one task too.
wine_run "$cli" --print-task --fleet "${gateway%\\*}" > "$work/fleet.xml"
expect_status 0 wine_run schtasks /Create /TN 'Varkelo\fleet' /XML "Z:$work/fleet.xml" > /dev/null
iconv -f utf-16 -t utf-8 "$work/fleet.xml" | grep -qF "<Arguments>--exit-code --fleet ${gateway%\\*} --parallel 64</Arguments>" ||
  fail "the fleet's task: $(iconv -f utf-16 -t utf-8 "$work/fleet.xml" | grep Arguments)"
command=$(iconv -f utf-16 -t utf-8 "$work/task.xml" | sed -n 's:.*<\(Command\|Arguments\)>\(.*\)</.*:\2:p')
printf '%s\r\n' "$(sed 's/&quot;/"/g' <<< "$command" | paste -sd ' ')" > "$work/task.bat"
echo "the task's command line, to 成功: $(cat "$work/task.bat")"
# README's log line keeps the reason, in UTF-8 as the status lines are.
printf 'cmd /c ""%s" --exit-code --folder %s >> %s\\log.txt 2>&1"\r\n' "$cli" "$gateway" "$gateway" > "$work/log.bat"
expect_status 3 wine_run cmd /c "Z:$work/log.bat"
grep -q ': 接続は拒否されました。' "$data/gw1/log.txt" && iconv -f utf-8 "$data/gw1/log.txt" > /dev/null || fail "$(cat "$data/gw1/log.txt")"
rm "$data/gw1/error.txt" "$data/gw1/log.txt"
start_simulator "$work/linux/read.nmd"
expect_status 0 wine_run cmd /c "Z:$work/task.bat" > /dev/null
simulator_done
downloaded "the task's command line" "$data/gw1" "$work/linux"

expect_status 0 wine_run msiexec /x "Z:$update" /qn
[ ! -e "$installed/varkelo.exe" ] && [ ! -e "$installed/varkelo-cli.exe" ] || fail "the uninstall left the programs"
[ -z "$(entries)" ] || fail "the uninstall left its entry: $(entries)"
downloaded "after the uninstall" "$data/gw1" "$work/linux"
echo "installed $version (files, signatures, version resources, uninstall entry); read the gateway to 成功; upgraded to $newer; uninstalled, the gateway folder intact"
echo "1 passed, 0 failed"
