# Sourced by the Windows tests: the end-to-end helpers, $exe (the Windows programs' folder) and
# wine_run, whose Wine server is of the test's own namespace: one outside would reach another loopback.
source "$(dirname "$0")/../e2e/common.bash"
exe="$build/src/app" wine_run_script="$3/scripts/wine-run"
export WINEPREFIX="$build/wine"
wine_run() { "$wine_run_script" "$WINEPREFIX" "$@"; }
wineserver -k 2> /dev/null || true
trap 'wineserver -k 2> /dev/null || true; cleanup' EXIT
