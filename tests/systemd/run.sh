#!/usr/bin/env bash
# The Debian package under a real systemd, as root: tests/systemd/run.sh [BUILD]
# Builds the package from the release build BUILD (default build/systemd/release, configured there
# without tests), makes a Debian root with debootstrap (the minimal variant plus systemd, from the
# mirror this machine's apt uses; kept in $VARKELO_SYSTEMD_CACHE, default build/systemd, for later
# runs) and boots a copy of it with systemd-nspawn in a private mount namespace on a private
# network, registered nowhere: this machine's own init is left alone. Inside, it installs the
# package, serves the gateway simulator on the container's loopback and checks the service, the
# timer, a stop and the purge.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache="${VARKELO_SYSTEMD_CACHE:-$root/build/systemd}"
build="${1:-$cache/release}"
start=$SECONDS

[ "$(id -u)" -eq 0 ] || { echo "tests/systemd/run.sh needs root (debootstrap, systemd-nspawn)" >&2; exit 2; }
for tool in debootstrap systemd-nspawn dpkg-shlibdeps lintian; do
  command -v "$tool" > /dev/null || { echo "$tool is missing: scripts/setup-deps build systemd" >&2; exit 2; }
done
mkdir -p "$cache"
work=$(mktemp -d "$cache/run.XXXXXX")
nspawn=""
cleanup() {
  if [ -n "$nspawn" ] && kill -0 "$nspawn" 2> /dev/null; then
    kill "$nspawn" # systemd-nspawn powers the container off
    poll 100 0.1 eval "! kill -0 $nspawn 2> /dev/null" || kill -9 "$nspawn" 2> /dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
passed=0 failed=0
check() { # DESCRIPTION COMMAND...: one case, counted
  if "${@:2}"; then echo "ok: $1" && passed=$((passed + 1)); else echo "FAILED: $1" >&2 && failed=$((failed + 1)); fi
}
# TRIES PAUSE COMMAND...: true as soon as COMMAND is, trying TRIES times PAUSE seconds apart.
poll() {
  for _ in $(seq "$1"); do "${@:3}" && return 0; sleep "$2"; done
  return 1
}

# The package of a release build, and Debian's hardening found in it.
[ -f "$build/CMakeCache.txt" ] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVARKELO_BENCH=OFF > /dev/null
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" || fail "$build is no release build"
cmake --build "$build" -j "$(nproc)" > "$work/build.txt" 2>&1 || fail "build: $(tail -n 20 "$work/build.txt")"
cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" > "$work/cpack.txt" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.txt")"
deb=$(echo "$work"/out/*.deb)
echo "package $(basename "$deb"), $(stat -c %s "$deb") bytes, after $((SECONDS - start)) s"
hardening=$(lintian --display-info --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-pie,hardening-no-relro,unstripped-binary-or-object "$deb" 2> /dev/null)
check "the packaged program is hardened and stripped" [ -z "$hardening" ]

# The Debian root, made once.
if [ ! -f "$cache/root.done" ]; then
  . /etc/os-release
  mirror=$(apt-get indextargets --format '$(REPO_URI) $(CODENAME) $(TARGET_OF)' |
    awk -v c="$VERSION_CODENAME" '$2 == c && $3 == "deb" { print $1; exit }')
  [ -n "$mirror" ] || fail "no Debian mirror for $VERSION_CODENAME among apt's sources"
  echo "making a Debian $VERSION_CODENAME root from $mirror in $cache/root"
  rm -rf "$cache/root" "$cache/root.new"
  debootstrap --variant=minbase --include=systemd,systemd-sysv,dbus "$VERSION_CODENAME" "$cache/root.new" \
    "$mirror" > "$cache/debootstrap.log" 2>&1 || fail "debootstrap: read $cache/debootstrap.log"
  mv "$cache/root.new" "$cache/root"
  touch "$cache/root.done"
fi

# A copy of it, booted.
machine="$work/machine"
cp -a "$cache/root" "$machine"
mkdir "$work/share"
cp "$deb" "$work/share/varkelo.deb"
cp "$build/tools/gateway_sim" "$work/share/"
unshare -m --propagation private systemd-nspawn -q -D "$machine" -M varkelo-test -b --private-network \
  --register=no --keep-unit --console=passive --bind-ro="$work/share:/opt/varkelo-test" > "$work/boot.txt" 2>&1 &
nspawn=$!
leader=""
found_leader() {
  leader=$(pgrep -P "$nspawn" -x systemd || true)
  [ -n "$leader" ] || ! kill -0 "$nspawn" 2> /dev/null
}
poll 300 0.1 found_leader && [ -n "$leader" ] || fail "the container's systemd did not start: $(cat "$work/boot.txt")"
inside() { nsenter -t "$leader" -a env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
booted() {
  state=$(inside systemctl is-system-running 2> /dev/null || true)
  [[ $state == running || $state == degraded ]]
}
boot_start=$SECONDS
poll 1200 0.1 booted || true
echo "container booted ($state) in $((SECONDS - boot_start)) s"

unit() { echo "varkelo@$(inside systemd-escape --path "$1")"; }
show() { inside systemctl show -P "$2" "$1"; }
ended() { [ "$(show "$1" Result)/$(show "$1" ExecMainStatus)" == "$2" ]; } # UNIT RESULT/STATUS
# FILE (in the container) holds exactly the line TEXT, in code page 932 with CR LF.
report_is() { printf '%s\r\n' "$2" | iconv -f utf-8 -t cp932 | cmp -s - "$machine$1"; }
folder() { # DIR ADDRESS [GROUP MODE]: an application folder of the user varkelo
  inside install -d -o varkelo -g "${3:-varkelo}" -m "${4:-755}" "$1"
  printf '[System]\r\nAddress=%s\r\n' "$2" > "$machine$1/System.ini"
}
simulators=0
simulator() { # OPTION...: the gateway simulator on the container's 127.0.0.1:12000, once
  simulators=$((simulators + 1))
  inside systemd-run --quiet --unit="gateway-sim-$simulators" /opt/varkelo-test/gateway_sim --sample interval \
    --seed 1 --address 127.0.0.1 --port 12000 --idle-timeout 60 "$@"
  poll 100 0.05 grep -q ':2EE0 00000000:0000 0A' "/proc/$leader/net/tcp" ||
    fail "the simulator did not listen: $(inside journalctl -u "gateway-sim-$simulators" --no-pager)"
}

# Installation: the user, the units, nothing enabled.
inside dpkg -i /opt/varkelo-test/varkelo.deb > "$work/install.txt" 2>&1 || fail "dpkg -i: $(cat "$work/install.txt")"
IFS=: read -r _ _ uid _ _ _ shell <<< "$(inside getent passwd varkelo)"
check "installing makes the system user varkelo, no login" [ "${uid:-1000}" -lt 1000 -a "$shell" == /usr/sbin/nologin ]
check "installing adds both units, enabling none" [ "$(inside systemctl list-unit-files --no-legend 'varkelo@*' |
  awk '{ print $1, $2 }' | xargs)" == "varkelo@.service static varkelo@.timer disabled" ]

# A read-out by the service into a folder shared with the group meters: 成功,
# every file the run wrote owned by varkelo and readable by the group, the same
# tree as a plain run of the program as root without any unit.
gw01=$(unit /srv/varkelo/gw01)
inside groupadd --system meters
folder /srv/varkelo/gw01 127.0.0.1 meters 2750
simulator
inside systemctl start "$gw01.service" || true
check "the service's read-out ends in success" ended "$gw01.service" success/0
check "its error.txt says 成功" report_is /srv/varkelo/gw01/error.txt "成功"
check "it ran as varkelo: every file it wrote is varkelo's" \
  [ -z "$(find "$machine/srv/varkelo/gw01" -mindepth 1 ! -name System.ini ! -uid "$uid")" -a -f "$machine/srv/varkelo/gw01/read.nmd" ]
inside mkdir /srv/plain
cp "$machine/srv/varkelo/gw01/System.ini" "$machine/srv/plain/"
simulator
inside /usr/bin/varkelo --folder /srv/plain > /dev/null 2>&1 || true
check "the group meters can read all of it" [ -z "$(find "$machine/srv/varkelo/gw01" -mindepth 1 ! -name System.ini \
  \( ! -group "$(inside getent group meters | cut -d: -f3)" -o ! -perm -g+r -o -type d ! -perm -g+sx \))" ]
check "it wrote the same tree as a plain run" diff -r "$machine/srv/plain" "$machine/srv/varkelo/gw01"

# A folder that is not there: the start fails its assertion, and the journal
# names the folder.
missing=$(unit /srv/varkelo/missing)
inside systemctl start "$missing.service" 2> "$work/missing.txt" && fail "a missing folder started"
check "a missing folder fails the start: $(cat "$work/missing.txt")" grep -q "^Assertion failed on job for $missing.service" "$work/missing.txt"
check "the journal names the missing folder" grep -q "Assertion failed for $missing.service - .* /srv/varkelo/missing\.$" \
  <<< "$(inside journalctl --no-pager -u "$missing.service")"

# An absent gateway: exit status 3 in the unit's result.
gw02=$(unit /srv/varkelo/gw02)
folder /srv/varkelo/gw02 127.0.0.2
inside systemctl start "$gw02.service" 2> /dev/null || true
check "an absent gateway fails the unit with exit status 3" ended "$gw02.service" exit-code/3
check "its error.txt names the address" report_is /srv/varkelo/gw02/error.txt "「127.0.0.2」のスマートゲートウェイの接続に失敗しました。"

# The fleet's unit: every gateway folder of /srv/varkelo in one run, as varkelo; the absent gateway fails it with 10.
fleet="varkelo-fleet@$(inside systemd-escape --path /srv/varkelo)"
rm -f "$machine"/srv/varkelo/gw0[12]/error.txt
simulator
inside systemctl start "$fleet.service" 2> /dev/null || true
check "the fleet's service reads each gateway folder and fails with 10 for the absent one" ended "$fleet.service" exit-code/10
check "the fleet's gw01 says 成功" report_is /srv/varkelo/gw01/error.txt "成功"
check "the fleet's gw02 names its address" report_is /srv/varkelo/gw02/error.txt "「127.0.0.2」のスマートゲートウェイの接続に失敗しました。"

# The timer fires: a runtime drop-in that fires it one second after it starts.
rm "$machine/srv/varkelo/gw01/error.txt"
inside mkdir -p "/run/systemd/system/$gw01.timer.d"
inside sh -c "printf '[Timer]\nOnCalendar=\nOnActiveSec=1s\nAccuracySec=1s\nRandomizedDelaySec=0\n' \
  > /run/systemd/system/$gw01.timer.d/soon.conf"
inside systemctl daemon-reload
simulator
inside systemctl enable --quiet --now "$gw01.timer"
ran() { [ -f "$machine/srv/varkelo/gw01/error.txt" ] && [ "$(show "$gw01.service" ActiveState)" == inactive ]; }
poll 600 0.1 ran || true
check "the enabled timer fires the read-out, which succeeds" report_is /srv/varkelo/gw01/error.txt "成功"

# systemctl stop while the gateway is connected (silent after 300 frames):
# the run ends at once, with its report.
printf '成功\r\n' | iconv -f utf-8 -t cp932 > "$machine/srv/varkelo/gw01/error.txt" # an earlier run's
simulator --fault silent --fault-after 300
inside systemctl start --no-block "$gw01.service"
activating() { [ "$(show "$gw01.service" ActiveState)" == activating ]; }
poll 100 0.05 activating || true
sleep 2
stop_start=$SECONDS
inside systemctl stop "$gw01.service" 2> /dev/null # it warns that the timer may start it again
stop_seconds=$((SECONDS - stop_start))
check "systemctl stop during the download ends the run within 5 s (took $stop_seconds s)" [ "$stop_seconds" -le 5 ]
check "the stopped run's error.txt says 異常" report_is /srv/varkelo/gw01/error.txt "異常"

# Purge: no unit, no enablement link, the data kept.
inside dpkg --purge varkelo > "$work/purge.txt" 2>&1 || fail "dpkg --purge: $(cat "$work/purge.txt")"
check "purge leaves no unit file" [ -z "$(inside systemctl list-unit-files --no-legend 'varkelo@*')" ]
check "removal stopped the timer, purge unloaded it" [ -z "$(inside systemctl list-units --all --no-legend 'varkelo@*.timer')" ]
check "purge leaves no enablement link" [ -z "$(find "$machine/etc/systemd/system" -name 'varkelo@*')" ]
check "purge keeps the data" [ -f "$machine/srv/varkelo/gw01/read.nmd" -a -d "$machine/srv/varkelo/gw01/SG012345" ]

echo "run in $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
