#!/usr/bin/env bash
# Cross-builds the Windows programs and tests (mingw-w64, preset windows) and runs the tests
# labelled wine under Wine, headless, in a Wine prefix of its own made in a temporary folder.
# The Wine server is kept up for the whole run, and its services started before the tests, so
# that no Wine process outlives a test holding CTest's output pipe. The run has one private X
# server (Xvfb) from before the prefix is made: Wine's desktop binds to the display it first
# sees, and the window's tests need it to be a real one.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z ${QUARNEL_WINE_STARTED:-} ]]; then
    export QUARNEL_WINE_STARTED=$SECONDS
    cmake --preset windows
    cmake --build --preset windows -j "$(nproc)"
    # The Linux programs the Windows ones are compared with: quarnel-pack's bytes
    # (tests/windows/pack-crosscheck.sh), and the report and machine of a Linux update.
    cmake --preset asan >/dev/null &&
        cmake --build --preset asan -j "$(nproc)" --target quarnel-pack quarnel-update quarnel-machine
    if command -v Xvfb >/dev/null; then
        export QUARNEL_WINE_DISPLAY=1
        exec tests/windows/with-xvfb.sh "$PWD/scripts/test-windows.sh" "$@"
    fi
fi

WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/quarnel-wine.XXXXXX")"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ -n ${QUARNEL_WINE_DISPLAY:-} ]] || export DISPLAY=
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
grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|FAILED|Failure|figure: ' "$log" || true
((status == 0)) || cat "$log"
# Every GoogleTest program closes with "[  PASSED  ] N tests."; their sum is the count run under Wine.
tests=$(grep -o '\[  PASSED  \] [0-9]* test' "$log" | awk '{s += $4} END {print s + 0}')
# The end-to-end runs under Wine print one "ok: ..." line per check that held.
checks=$(grep -cE '^([0-9]+: )?ok: ' "$log" || true)
echo "Windows tests: ${tests} GoogleTest cases and ${checks} end-to-end checks passed under Wine; build and run took $((SECONDS - QUARNEL_WINE_STARTED)) s"
exit "$status"
