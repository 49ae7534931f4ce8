#!/usr/bin/env bash
# The wizard's window under Wine, on a private X server (run under with-xvfb.sh): the self-contained Orbel-update.exe
# (quarnel-update.exe with the Orbel package appended) is run with --screenshots on the Wine machine
# of orbel-wine-fixture.sh. The window checks its package, its pages are gone through by their
# buttons ("Suivant >", "Démarrer", "Quitter", clicked as a person does), a picture of each page is
# saved, and the program must exit 0 with Orbel replaced by the packed 1.0.0.2 and its file copied.
# Also measured: the time from the start to the first page against the same update run unattended,
# and the .exe's size and the DLLs it imports (Windows' own only).
#
# orbel-window-e2e.sh WIZARD.exe VERSION_PE.exe LINUX_BUILD_FOLDER PICTURES_FOLDER; run under the
# Wine prefix of scripts/test-windows.sh (WINEPREFIX). Exits 77 (skipped) without the Linux
# quarnel-pack.
set -euo pipefail
wizard=$1
version_pe=$2
linux=$3
pictures=$4
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
pack="$linux/apps/quarnel-pack/quarnel-pack"
if [[ ! -x $pack ]]; then
    echo "SKIP: the Linux build's $pack is needed to pack the update (cmake --build --preset asan)"
    exit 77
fi
: "${WINEPREFIX:?the Wine prefix of scripts/test-windows.sh}"
: "${DISPLAY:?an X server: run under with-xvfb.sh}"

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-window.XXXXXX")
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/checks.sh"

source "$(dirname "$0")/orbel-wine-fixture.sh"
orbel_package "$work" "$wizard" "$pack"
orbel_wine_machine
cp "$work/Orbel-update.exe" "$drive_c/Orbel-update.exe"
rm -rf "$drive_c/pages"

status=0
started=$(date +%s%N)
(cd "$drive_c" && "$wine" Orbel-update.exe --screenshots 'C:\pages') >"$work/window.out" 2>&1 ||
    status=$?
ended=$(date +%s%N)
cat "$work/window.out"
check "the window's run exits 0" 0 "$status"
check "the program is the packed 1.0.0.2" "$(sha256sum <"$work/source/VTPOrbel.exe")" \
    "$(sha256sum <"$drive_c/WQuarnel/Orbel/Programs/VTPOrbel.exe")"
check "the secondary file is copied" "aide Orbel" "$(cat "$drive_c/WQuarnel/Orbel/Programs/Orbel.hlp" 2>/dev/null)"
for page in 0-checking 1-welcome 2-changes 3-report; do
    check "$page.png is a PNG picture" "89504e470d0a1a0a" "$(head -c 8 "$drive_c/pages/$page.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')"
done
mkdir -p "$pictures"
cp "$drive_c"/pages/*.png "$pictures"/ 2>/dev/null || true
echo "pictures: $pictures"

# Figures: from the start to the first page (its picture written), the whole window run, and the
# same update run unattended on the same machine as it was.
welcome_ns=$(stat -c '%.9Y' "$drive_c/pages/1-welcome.png" 2>/dev/null | tr -d . || echo 0)
orbel_wine_machine
silent_started=$(date +%s%N)
(cd "$drive_c" && "$wine" Orbel-update.exe --silent --yes) >"$work/silent.out" 2>&1 || true
silent_ended=$(date +%s%N)
echo "figure: start to first page under Wine: $(((welcome_ns - started) / 1000000)) ms;" \
    "whole window run (3 pages, update, Quitter): $(((ended - started) / 1000000)) ms;" \
    "the same update unattended (--silent --yes): $(((silent_ended - silent_started) / 1000000)) ms"
echo "figure: quarnel-update.exe $(stat -c %s "$wizard") bytes"
objdump=$(command -v x86_64-w64-mingw32-objdump || true)
if [[ -n $objdump ]]; then
    dlls=$("$objdump" -p "$wizard" | sed -n 's/^\s*DLL Name: //p' | sort -f | tr '\n' ' ')
    echo "figure: imported DLLs: $dlls"
    foreign=$(printf '%s\n' $dlls | grep -viE '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|msvcrt|ws2_32|iphlpapi|version|windowscodecs|shlwapi|userenv|bcrypt|crypt32|secur32|rpcrt4|netapi32|mpr|winspool\.drv|api-ms-win-[a-z0-9-]*)\.dll$' || true)
    check "the .exe imports Windows' own DLLs only" "" "$foreign"
fi
checks_end
