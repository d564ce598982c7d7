#!/usr/bin/env bash
# The Debian package from `cpack -G DEB` (files, version, Depends, lintian, the unpacked program, its
# units verified, its man page) and the install rules (a prefix chosen at install time, the tools component).
source "$(dirname "$0")/common.bash"
export LC_ALL=C

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" > "$work/cpack.txt" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.txt")"
deb=$(echo "$work"/out/*.deb)
# The package's version is the program's with the package's revision; Depends as dpkg-shlibdeps works
# it out from the binary, and what makes the package's user.
version=$(dpkg-deb -f "$deb" Version)
[ "$("$varkelo" --version)-1" == "varkelo $version" ] || fail "package version $version"
[ "$(basename "$deb")" == "varkelo_${version}_$(dpkg --print-architecture).deb" ] || fail "file name $deb"
depends=", $(dpkg-deb -f "$deb" Depends),"
[[ "$depends" == *", libc6 ("* && "$depends" == *", libstdc++6 ("* && "$depends" == ", systemd | "* ]] ||
  fail "Depends: $depends"
# Debian's policy checks: no error, no warning. lintian prints its findings on standard output; on
# standard error it only complains of running as root.
findings=$(lintian --fail-on error,warning "$deb" 2> "$work/lintian.txt") && [ -z "$findings" ] ||
  fail "lintian: $findings $(cat "$work/lintian.txt")"

# Exactly these files, the tools not among them.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort > "$work/files.txt"
diff - "$work/files.txt" <<'FILES' || fail "the package's files differ"
-rw-r--r-- root/root ./usr/lib/systemd/system/varkelo-fleet@.service
-rw-r--r-- root/root ./usr/lib/systemd/system/varkelo-fleet@.timer
-rw-r--r-- root/root ./usr/lib/systemd/system/varkelo@.service
-rw-r--r-- root/root ./usr/lib/systemd/system/varkelo@.timer
-rw-r--r-- root/root ./usr/lib/sysusers.d/varkelo.conf
-rw-r--r-- root/root ./usr/share/doc/varkelo/README.md
-rw-r--r-- root/root ./usr/share/doc/varkelo/System.ini
-rw-r--r-- root/root ./usr/share/doc/varkelo/changelog.Debian.gz
-rw-r--r-- root/root ./usr/share/doc/varkelo/copyright
-rw-r--r-- root/root ./usr/share/doc/varkelo/docs/fleet-page.png
-rw-r--r-- root/root ./usr/share/doc/varkelo/docs/operations.md
-rw-r--r-- root/root ./usr/share/doc/varkelo/docs/page.md
-rw-r--r-- root/root ./usr/share/doc/varkelo/docs/page.png
-rw-r--r-- root/root ./usr/share/lintian/overrides/varkelo
-rw-r--r-- root/root ./usr/share/man/man1/varkelo.1.gz
-rwxr-xr-x root/root ./usr/bin/varkelo
FILES

root="$work/root"
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/varkelo" --version)" == "varkelo ${version%-*}" ] || fail "the unpacked program's version"
# The units against the unpacked tree: their program must exist there and
# their man: page must be found. Any warning counts as a failure.
output=$(MANPATH="$root/usr/share/man" systemd-analyze verify --recursive-errors=no --root="$root" \
  /usr/lib/systemd/system/varkelo{,-fleet}@.{service,timer} 2>&1) && [ -z "$output" ] || fail "systemd-analyze verify: $output"

# The man page reads without warnings and names every option of --help; it is UTF-8 (it quotes 異常),
# so it is read as in a UTF-8 locale.
page="$root/usr/share/man/man1/varkelo.1.gz"
warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 > /dev/null) && [ -z "$warnings" ] || fail "man page: $warnings"
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page")
for option in $("$varkelo" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$option" <<< "$text" || fail "the man page lacks $option"
done

# A prefix given to `cmake --install` is the one the service runs the program from.
cmake --install "$build" --prefix "$work/stage" > /dev/null
service="$work/stage/lib/systemd/system/varkelo@.service"
grep -qx "ExecStart=$work/stage/bin/varkelo --exit-code --folder %f" "$service" || fail "the staged service: $(grep ExecStart "$service")"
fleet_service="$work/stage/lib/systemd/system/varkelo-fleet@.service"
grep -qx "ExecStart=$work/stage/bin/varkelo --exit-code --fleet %f" "$fleet_service" || fail "the staged fleet service"
# Hardened as the single gateway's service: the same sandbox lines.
diff <(sed -n '/^ProtectSystem/,$p' "$service") <(sed -n '/^ProtectSystem/,$p' "$fleet_service") > /dev/null ||
  fail "the fleet service is not hardened alike"
[ ! -e "$work/stage/share/doc/varkelo/changelog.Debian.gz" ] || fail "the package's changelog is installed by cmake --install"
cmake --install "$build" --prefix "$work/tools" --component tools > /dev/null
[ "$(ls "$work/tools/bin" | xargs)" == "gateway_sim make_sample_image" ] || fail "tools: $(ls "$work/tools/bin")"
echo "1 passed, 0 failed"
