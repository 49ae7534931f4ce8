#!/usr/bin/env bash
# An update whose print lists go into a company database, on a Wine machine without a usable
# Firebird client: the "gds32.dll" of the system folder carries the version the start-up check
# wants but is no client, and there is no fbclient.dll. The lists cannot be stored: the product
# fails and is restored whole, the report says why in French and the run's outcome is a failure.
#
# no-client-update-e2e.sh WIZARD.exe VERSION_PE.exe LINUX_BUILD_FOLDER; run under the Wine prefix
# of scripts/test-windows.sh (WINEPREFIX), on an X server (with-xvfb.sh) for the window's run with
# --screenshots. Exits 77 (skipped) without the Linux quarnel-pack.
set -euo pipefail
wizard=$1
version_pe=$2
linux=$3
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
pack="$linux/apps/quarnel-pack/quarnel-pack"
if [[ ! -x $pack ]]; then
    echo "SKIP: the Linux build's $pack is needed to pack (cmake --build --preset asan)"
    exit 77
fi
: "${WINEPREFIX:?the Wine prefix of scripts/test-windows.sh}"
: "${DISPLAY:?an X server: run under with-xvfb.sh}"

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-noclient.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

source="$work/source"
mkdir -p "$source"
printf 'Produits Quarnel\r\n' >"$source/AppInfo1.txt"
printf 'Veltrane\r\n' >"$source/Updates.txt"
printf 'VtporbelGro.lst\r\n' >"$source/PrintLists.txt"
printf '[Liste]\r\nGros\r\n' >"$source/VtporbelGro.lst"
"$wine" "$version_pe" "$(winepath -w "$source/Veltrane.exe")" 5.2.0.0
touch -d @1700000000 "$source"/*
"$pack" "$source" -o "$work/Veltrane-update.exe" --wizard "$wizard" --no-check --threads 1 >/dev/null

drive_c="$WINEPREFIX/drive_c"
"$wine" "$version_pe" 'C:\WQuarnel\VTP\Programs\Veltrane.exe' 5.1.0.0
cp "$drive_c/WQuarnel/VTP/Programs/Veltrane.exe" "$work/Veltrane-5.1.exe"
"$wine" "$version_pe" 'C:\WQuarnel\Marlisk\Programs\VTMarlisk2.dll' 2.1.0.0
"$wine" reg add 'HKCU\SOFTWARE\QUARNEL S.A.\Veltrane\Program' /v Filename /d 'C:\WQuarnel\VTP\Programs\Veltrane.exe' \
    /f >/dev/null 2>&1
"$wine" reg add 'HKLM\SOFTWARE\QUARNEL S.A.\Veltrane\Alpha\VTP_DatabaseName' /v Path /d 'C:\Data\alpha.fdb' \
    /f >/dev/null 2>&1
mkdir -p "$drive_c/quarnel" "$drive_c/Data"
printf 'Alpha\r\n' >"$drive_c/quarnel/multiste.txt"
# A client in name and version only.
system32="$drive_c/windows/system32"
"$wine" "$version_pe" 'C:\windows\system32\gds32.dll' 2.5.2.26540 WI-V2.5.2.26540
cp "$work/Veltrane-update.exe" "$drive_c/Veltrane-update.exe"
rm -f "$drive_c/rapport-noclient.txt"

status=0
(cd "$drive_c" && "$wine" Veltrane-update.exe --silent --yes --report 'C:\rapport-noclient.txt') >"$work/out.txt" 2>&1 ||
    status=$?
rm -f "$system32/gds32.dll"
echo "--- exit code $status, standard error:"
cat "$work/out.txt"
echo "--- report:"
sed 's/\r$//' "$drive_c/rapport-noclient.txt" || true

outcome=0
((status == 1)) || outcome=1
check_status "the run's exit code is a failure (1)" $outcome
outcome=0
cmp -s "$work/Veltrane-5.1.exe" "$drive_c/WQuarnel/VTP/Programs/Veltrane.exe" || outcome=1
check_status "the product is restored whole" $outcome
outcome=0
# The gds32.dll found is loaded and refused: it offers none of the client's entry points.
grep -q "Le client Firebird \"C:\\\\windows\\\\system32\\\\gds32.dll\" n'est pas utilisable" "$drive_c/rapport-noclient.txt" ||
    outcome=1
check_status "the report says in French that the machine has no usable Firebird client" $outcome
outcome=0
grep -q 'La mise à jour a échouée !' "$drive_c/rapport-noclient.txt" || outcome=1
check_status "the report closes on the failure" $outcome
outcome=0
grep -q "Alpha" "$drive_c/rapport-noclient.txt" || outcome=1
check_status "the report names the company whose lists were not stored" $outcome

# The same failing update in the window with --screenshots: as on Linux, the exit code says whether
# the pictures were written (0) or not (1), not how the run ended.
"$wine" "$version_pe" 'C:\windows\system32\gds32.dll' 2.5.2.26540 WI-V2.5.2.26540
rm -rf "$drive_c/pages-noclient"
status=0
(cd "$drive_c" && "$wine" Veltrane-update.exe --screenshots 'C:\pages-noclient') >"$work/pictures.out" 2>&1 ||
    status=$?
echo "--- --screenshots: exit code $status, output:"
cat "$work/pictures.out"
check "--screenshots exits 0 when its pictures are written, the run having failed" 0 "$status"
check "the report page's picture is written" "89504e470d0a1a0a" \
    "$(head -c 8 "$drive_c/pages-noclient/3-report.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')"
outcome=0
cmp -s "$work/Veltrane-5.1.exe" "$drive_c/WQuarnel/VTP/Programs/Veltrane.exe" || outcome=1
check_status "the window's failed run restores the product whole too" $outcome
status=0
# A folder that cannot be made: its parent is a file.
(cd "$drive_c" && "$wine" Veltrane-update.exe --screenshots 'C:\rapport-noclient.txt\pages') >"$work/nopictures.out" 2>&1 ||
    status=$?
check "--screenshots exits 1 when its pictures cannot be written" 1 "$status"
rm -f "$system32/gds32.dll"
rm -rf "$drive_c/pages-noclient"
checks_end
