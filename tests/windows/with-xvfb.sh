#!/usr/bin/env bash
# with-xvfb.sh COMMAND [ARGUMENTS...]: runs the command on a private X server of its own, for the
# window's tests under Wine run by hand; under scripts/test-windows.sh it uses the run's own server.
# Xvfb picks a free display number itself and writes it once it listens (-displayfd); it is stopped
# on every path. Exits 77 (skipped) without Xvfb.
set -euo pipefail
# Under scripts/test-windows.sh the whole run has one X server already, the one Wine's desktop uses.
if [[ -n ${QUARNEL_WINE_DISPLAY:-} && -n ${DISPLAY:-} ]]; then
    exec "$@"
fi
if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is needed to show the window"
    exit 77
fi
xvfb_pid=
stop() {
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
    [[ -z $xvfb_pid ]] || wait "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT
coproc XVFB { exec Xvfb -displayfd 1 -nolisten tcp -screen 0 1280x1024x24 2>/dev/null; }
xvfb_pid=$XVFB_PID
read -r display <&"${XVFB[0]}"
echo "Xvfb on :$display"
status=0
DISPLAY=":$display" "$@" || status=$?
exit "$status"
