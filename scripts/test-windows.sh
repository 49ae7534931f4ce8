#!/usr/bin/env bash
# Cross-builds the Windows programs and tests (mingw-w64, preset windows) and runs the tests
# labelled wine under Wine, headless, in a Wine prefix of its own made in a temporary folder.
# The Wine server is kept up for the whole run, and its services started before the tests, so
# that no Wine process outlives a test holding CTest's output pipe.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
cmake --preset windows
cmake --build --preset windows -j "$(nproc)"

WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/quarnel-wine.XXXXXX")"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
stop_wine() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT

wineserver -p
wineboot -i >/dev/null 2>&1 </dev/null

status=0
log="$WINEPREFIX/ctest.log"
ctest --preset windows -L wine --verbose "$@" >"$log" 2>&1 || status=$?
grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|FAILED|Failure' "$log" || true
((status == 0)) || cat "$log"
# Every GoogleTest program closes with "[  PASSED  ] N tests."; their sum is the count run under Wine.
tests=$(grep -o '\[  PASSED  \] [0-9]* test' "$log" | awk '{s += $4} END {print s + 0}')
# The end-to-end runs under Wine print one "ok: ..." line per check that held.
checks=$(grep -c '^ok: ' "$log" || true)
echo "Windows tests: ${tests} GoogleTest cases and ${checks} end-to-end checks passed under Wine; build and run took $((SECONDS - started)) s"
exit "$status"
