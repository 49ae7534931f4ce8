#!/usr/bin/env bash
# The unattended update of Orbel on a Wine machine, against the Linux build's run of the same package.
# Orbel 1.0.0.1 is installed in the Wine prefix as the product location finds it (the registered
# Veltrane program's folder gives C:\WQuarnel\, Orbel lives in C:\WQuarnel\Orbel\Programs\); the
# package carries Orbel 1.0.0.2 and a secondary file. The self-contained wizard Orbel-update.exe
# (quarnel-update.exe with the package appended by quarnel-pack) must replace the program, copy the
# file, exit 0 and write the report the Linux build writes for the same package on the same machine.
#
# orbel-update-e2e.sh WIZARD.exe VERSION_PE.exe LINUX_BUILD_FOLDER; run under the Wine prefix of
# scripts/test-windows.sh (WINEPREFIX). Exits 77 (skipped) without the Linux programs.
set -euo pipefail
wizard=$1
version_pe=$2
linux=$3
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)

pack="$linux/apps/quarnel-pack/quarnel-pack"
update="$linux/apps/quarnel-update/quarnel-update"
machine="$linux/apps/quarnel-machine/quarnel-machine"
for program in "$pack" "$update" "$machine"; do
    if [[ ! -x $program ]]; then
        echo "SKIP: the Linux build's $program is needed to compare with (cmake --build --preset asan)"
        exit 77
    fi
done
: "${WINEPREFIX:?the Wine prefix of scripts/test-windows.sh}"

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-orbel.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
# The report's lines with what differs between runs and machines masked: the heading's date, and the
# temporary folder, number and process id of each copy.
masked() {
    sed -e 's/\r$//' -e 's/[0-9][0-9]\.[0-9][0-9]\.[0-9]\{4\} [0-9][0-9]:[0-9][0-9]:[0-9][0-9]/<date>/' \
        -e 's/^Copie de .*Update[0-9]*\.quarnel-new\.[0-9]*\.tmp$/Copie de <temp>Update#.quarnel-new.#.tmp/' "$1"
}

# The package: Orbel 1.0.0.2 and its secondary file, signed by the maker's key; the Wine machine:
# Orbel 1.0.0.1 installed, Veltrane registered.
source "$(dirname "$0")/orbel-wine-fixture.sh"
orbel_package "$work" "$wizard" "$pack"
source="$work/source"
orbel_wine_machine
cp "$work/Orbel-update.exe" "$drive_c/Orbel-update.exe"
rm -f "$drive_c/rapport.txt"

status=0
(cd "$drive_c" && "$wine" Orbel-update.exe --silent --yes --report 'C:\rapport.txt') >"$work/wine.out" 2>&1 || status=$?
check "Orbel-update.exe exits 0" 0 "$status"
((status == 0)) || cat "$work/wine.out"
check "the program is the packed 1.0.0.2" "$(sha256sum <"$source/VTPOrbel.exe")" \
    "$(sha256sum <"$drive_c/WQuarnel/Orbel/Programs/VTPOrbel.exe")"
check "the secondary file is copied" "aide Orbel" "$(cat "$drive_c/WQuarnel/Orbel/Programs/Orbel.hlp" 2>/dev/null)"
check "the secondary file keeps its packed date" 1700000000 \
    "$(stat -c %Y "$drive_c/WQuarnel/Orbel/Programs/Orbel.hlp" 2>/dev/null)"

# The Linux build on an emulated machine with the same products, the same package.
export QUARNEL_PREFIX="$work/prefix"
"$machine" init >/dev/null
"$machine" reg add 'HKCU\SOFTWARE\QUARNEL S.A.\Veltrane\Program' /v Filename /d 'C:\WQuarnel\VTP\Programs\Veltrane.exe' \
    /f >/dev/null
mkdir -p "$QUARNEL_PREFIX/drives/C/WQuarnel/Orbel/Programs"
"$wine" "$version_pe" "$(winepath -w "$QUARNEL_PREFIX/drives/C/WQuarnel/Orbel/Programs/VTPOrbel.exe")" 1.0.0.1
touch -d @1600000000 "$QUARNEL_PREFIX/drives/C/WQuarnel/Orbel/Programs/VTPOrbel.exe"
linux_status=0
"$update" --silent --yes --package "$work/Orbel-update.exe" --report "$work/rapport-linux.txt" \
    >"$work/linux.out" 2>&1 || linux_status=$?
check "the Linux build's run exits 0" 0 "$linux_status"

check "the report is the Linux build's" "$(masked "$work/rapport-linux.txt")" "$(masked "$drive_c/rapport.txt")"
echo "--- report under Wine (masked)"
masked "$drive_c/rapport.txt"
checks_end
