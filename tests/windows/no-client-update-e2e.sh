#!/usr/bin/env bash
# An update whose print lists go into a company database, on a Wine machine without a usable
# Firebird client: the "gds32.dll" of the system folder carries the version the start-up check
# wants but is no client, and there is no fbclient.dll. The program is updated; the lists cannot
# be stored, the run says why in French and its outcome is not a success.
#
# no-client-update-e2e.sh WIZARD.exe VERSION_PE.exe LINUX_BUILD_FOLDER; run under the Wine prefix
# of scripts/test-windows.sh (WINEPREFIX). Exits 77 (skipped) without the Linux quarnel-pack.
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

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-noclient.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
check() { # check NAME CONDITION-STATUS
    if (($2 == 0)); then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

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
"$wine" "$version_pe" 'C:\WQuarnel\Marlisk\Programs\VTMarlisk2.dll' 2.1.0.0
"$wine" reg add 'HKCU\SOFTWARE\QUARNEL S.A.\Veltrane\Program' /v Filename /d 'C:\WQuarnel\VTP\Programs\Veltrane.exe' \
    /f >/dev/null 2>&1
"$wine" reg add 'HKLM\SOFTWARE\QUARNEL S.A.\Veltrane\Alpha\VTP_DatabaseName' /v Path /d 'C:\Data\alpha.fdb' \
    /f >/dev/null 2>&1
mkdir -p "$drive_c/quarnel" "$drive_c/Data"
printf 'Alpha\r\n' >"$drive_c/quarnel/multiste.txt"
# A client in name and version only.
system32="$drive_c/windows/system32"
"$wine" "$version_pe" 'C:\windows\system32\gds32.dll' 2.5.2.26540
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
((status != 0 && status != 64)) || outcome=1
check "the run's exit code is not a success" $outcome
outcome=0
cmp -s "$source/Veltrane.exe" "$drive_c/WQuarnel/VTP/Programs/Veltrane.exe" || outcome=1
check "the program is updated" $outcome
outcome=0
grep -q 'client Firebird' "$work/out.txt" "$drive_c/rapport-noclient.txt" || outcome=1
check "the run says in French that the Firebird client is missing" $outcome
outcome=0
grep -q "Alpha" "$drive_c/rapport-noclient.txt" || outcome=1
check "the report names the company whose lists were not stored" $outcome
if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
