#!/usr/bin/env bash
# The window's and its dialogs' texts in a font wider than the design's and at a higher resolution:
# the tests named EveryTextFits* of each program given, run once with "MS Sans Serif" drawn as
# DejaVu Sans Mono (a machine whose substitute font is wider) and once at 144 dots per inch. Both
# settings are the Wine prefix's and are put back on every path.
#
# wide-texts.sh TEST.exe...; run on an X server (with-xvfb.sh) under the Wine prefix of
# scripts/test-windows.sh (WINEPREFIX).
set -euo pipefail
: "${WINEPREFIX:?the Wine prefix of scripts/test-windows.sh}"
: "${DISPLAY:?an X server: run under with-xvfb.sh}"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
desktop='HKCU\Control Panel\Desktop'
replacements='HKCU\Software\Wine\Fonts\Replacements'
restore() {
    "$wine" reg delete "$replacements" /v 'MS Sans Serif' /f >/dev/null 2>&1 || true
    "$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1 || true
}
trap restore EXIT

status=0
run_all() {
    local setting=$1
    shift
    for program in "$@"; do
        echo "--- $setting: $(basename "$program")"
        "$wine" "$program" --gtest_filter='*EveryTextFits*' --gtest_brief=1 || status=1
    done
}
if fc-list 'DejaVu Sans Mono' | grep -q .; then
    "$wine" reg add "$replacements" /v 'MS Sans Serif' /d 'DejaVu Sans Mono' /f >/dev/null 2>&1
    run_all "MS Sans Serif drawn as DejaVu Sans Mono" "$@"
    restore
else
    echo "SKIP: DejaVu Sans Mono is not installed; the wide font is not tried"
fi
"$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
run_all "144 dots per inch" "$@"
exit "$status"
