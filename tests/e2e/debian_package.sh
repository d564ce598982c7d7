#!/usr/bin/env bash
# The install rules and the Debian package: what `cpack -G DEB` packs, its
# version and Depends, the program run from the unpacked package, the systemd
# units verified against the unpacked tree, the man page, and what
# `cmake --install` puts into a prefix chosen at install time.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export LC_ALL=C

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" > "$work/cpack.txt" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.txt")"
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "cpack made ${debs[*]}"
deb=${debs[0]}

# The package's version is the program's; Depends as dpkg-shlibdeps works it out from the binary.
version=$(dpkg-deb -f "$deb" Version)
[ "$("$build/src/app/varkelo" --version)" == "varkelo $version" ] || fail "package version $version"
[ "$(basename "$deb")" == "varkelo_${version}_$(dpkg --print-architecture).deb" ] || fail "file name $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6; do
  [[ ", $depends," == *", $library ("* ]] || fail "Depends lacks $library: $depends"
done

# Exactly these files, the tools not among them.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort > "$work/files.txt"
diff - "$work/files.txt" <<'EOF' || fail "the package's files differ"
-rw-r--r-- root/root ./usr/lib/systemd/system/varkelo@.service
-rw-r--r-- root/root ./usr/lib/systemd/system/varkelo@.timer
-rw-r--r-- root/root ./usr/share/doc/varkelo/README.md
-rw-r--r-- root/root ./usr/share/doc/varkelo/System.ini
-rw-r--r-- root/root ./usr/share/man/man1/varkelo.1.gz
-rwxr-xr-x root/root ./usr/bin/varkelo
EOF

root="$work/root"
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/varkelo" --version)" == "varkelo $version" ] || fail "the unpacked program's version"

# The units against the unpacked tree: their program must exist there, and
# their man: page must be found. Any warning counts as a failure.
verify() {
  local output status=0
  output=$(MANPATH="$1" systemd-analyze verify --recursive-errors=no "${@:2}" 2>&1) || status=$?
  [ "$status" -eq 0 ] && [ -z "$output" ] || fail "systemd-analyze verify ${*:2}: $output"
}
units=/usr/lib/systemd/system
verify "$root/usr/share/man" --root="$root" "$units/varkelo@.service" "$units/varkelo@.timer"

# The man page reads without warnings and names every option of --help.
page="$root/usr/share/man/man1/varkelo.1.gz"
warnings=$(man --warnings -l "$page" 2>&1 > /dev/null)
[ -z "$warnings" ] || fail "man page: $warnings"
text=$(MANWIDTH=200 man -l "$page")
for option in $("$build/src/app/varkelo" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$option" <<< "$text" || fail "the man page lacks $option"
done

# A prefix given to `cmake --install` is the one the service runs the program from.
stage="$work/stage"
cmake --install "$build" --prefix "$stage" > /dev/null
grep -qx "ExecStart=$stage/bin/varkelo --exit-code --folder %f" "$stage/lib/systemd/system/varkelo@.service" ||
  fail "the staged service names $(grep ExecStart "$stage/lib/systemd/system/varkelo@.service")"
verify "$stage/share/man" "$stage/lib/systemd/system/varkelo@.service"
[ ! -e "$stage/bin/gateway_sim" ] || fail "the tools are installed by default"
cmake --install "$build" --prefix "$work/tools" --component tools > /dev/null
[ "$(ls "$work/tools/bin")" == "$(printf 'gateway_sim\nmake_sample_image')" ] || fail "tools: $(ls "$work/tools/bin")"
echo "1 passed, 0 failed"
