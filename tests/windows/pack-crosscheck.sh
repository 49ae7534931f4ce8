#!/usr/bin/env bash
# quarnel-pack.exe under Wine against the Linux quarnel-pack, on the same folder and the same keys:
# the packages are byte-identical (with and without a program in front), each build lists, checks
# and extracts the other's package the same way (file times to the 100 ns tick, accented names),
# a tampered package is refused by both, and signatures made on either side, by plain and by
# passphrase-protected keys, hold on the other.
#
# pack-crosscheck.sh QUARNEL_PACK.exe LINUX_BUILD_FOLDER; run under the Wine prefix of
# scripts/test-windows.sh (WINEPREFIX). Exits 77 (skipped) without the Linux quarnel-pack.
set -euo pipefail
windows_pack=$1
linux_pack="$2/apps/quarnel-pack/quarnel-pack"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
if [[ ! -x $linux_pack ]]; then
    echo "SKIP: the Linux build's $linux_pack is needed to compare with (cmake --build --preset asan)"
    exit 77
fi
: "${WINEPREFIX:?the Wine prefix of scripts/test-windows.sh}"

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-pack-cross.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
win() { winepath -w "$1"; }
# Runs the Windows program; its standard output is kept as it stands (a CR added would show).
winpack() { "$wine" "$windows_pack" "$@"; }
status_of() { # status_of COMMAND...: the exit code, output discarded
    local status=0
    "$@" >/dev/null 2>&1 || status=$?
    echo "$status"
}

# The folder: files in a subfolder, accented names, times with a fraction of a second.
source="$work/source"
mkdir -p "$source/Données/Sous dossier"
printf 'Produits Quarnel\r\n' >"$source/AppInfo1.txt"
printf 'été\r\n' >"$source/Données/Été à Łódź.txt"
head -c 300000 /dev/urandom >"$source/Données/Sous dossier/bruit.bin"
head -c 2000000 < <(yes 'ligne répétée pour bien se compresser') >"$source/texte.txt"
: >"$source/vide.dat"
touch -d '@1700000000.1234567' "$source/AppInfo1.txt"
touch -d '@1600000000.9999999' "$source/Données/Été à Łódź.txt"
touch -d '@1500000000' "$source/Données/Sous dossier/bruit.bin" "$source/texte.txt" "$source/vide.dat"
printf 'MZ un programme\n' >"$work/program.exe"

# Packed on both sides: the very same bytes.
"$linux_pack" "$source" -o "$work/linux.pkg" --no-check --quiet
winpack "$(win "$source")" -o "$(win "$work/windows.pkg")" --no-check --quiet
check "a package packed on Windows is byte-identical to the Linux one" \
    "$(sha256sum <"$work/linux.pkg")" "$(sha256sum <"$work/windows.pkg")"
"$linux_pack" "$source" -o "$work/linux-wizard.exe" --wizard "$work/program.exe" --no-check --quiet --threads 1
winpack "$(win "$source")" -o "$(win "$work/windows-wizard.exe")" --wizard "$(win "$work/program.exe")" --no-check \
    --quiet --threads 3
check "with a program in front, whatever the thread count, byte-identical as well" \
    "$(sha256sum <"$work/linux-wizard.exe")" "$(sha256sum <"$work/windows-wizard.exe")"

# Listed the same by both, down to the line ends; accented names as UTF-8.
check "the listing on Windows is the Linux one" "$("$linux_pack" --list "$work/linux.pkg" | od -c)" \
    "$(winpack --list "$(win "$work/linux.pkg")" | od -c)"
check "the listing names the accented file, in capitals as packed" "1" \
    "$(winpack --list "$(win "$work/linux.pkg")" | grep -c '^DONNÉES\\ÉTÉ À ŁÓDŹ.TXT	')"

# Extracted by each build from the other's package: the same names, contents and times to the
# 100 ns tick.
winpack --extract "$(win "$work/linux.pkg")" "$(win "$work/on-windows")" >/dev/null
"$linux_pack" --extract "$work/windows.pkg" "$work/on-linux" >/dev/null
files_of() { (cd "$1" && find . -type f | sort | xargs -d '\n' stat -c '%n %s %.7Y' && find . -type f | sort | xargs -d '\n' sha256sum); }
check "extracted on Windows as on Linux: names, sizes, times, contents" "$(files_of "$work/on-linux")" \
    "$(files_of "$work/on-windows")"
check "extracted on Windows: the time of the source to the 100 ns tick" "1600000000.9999999 1700000000.1234567" \
    "$(stat -c %.7Y "$work/on-windows/DONNÉES/ÉTÉ À ŁÓDŹ.TXT" "$work/on-windows/APPINFO1.TXT" | xargs)"
check "extracted on Windows: the accented file's content" "$(sha256sum <"$source/Données/Été à Łódź.txt")" \
    "$(sha256sum <"$work/on-windows/DONNÉES/ÉTÉ À ŁÓDŹ.TXT")"

# A tampered package is refused by both.
cp "$work/linux.pkg" "$work/tampered.pkg"
printf 'X' | dd of="$work/tampered.pkg" bs=1 seek=200 conv=notrunc status=none
check "a tampered package is refused on Linux" 1 "$(status_of "$linux_pack" --extract "$work/tampered.pkg" "$work/t1")"
check "a tampered package is refused on Windows" 1 \
    "$(status_of winpack --extract "$(win "$work/tampered.pkg")" "$(win "$work/t2")")"
check "nothing is extracted from it on Windows" "" "$(find "$work/t2" -type f 2>/dev/null)"

# Keys made by openssl: a plain one, and one protected by a passphrase with an accent.
openssl genpkey -algorithm ed25519 -out "$work/plain.pem" 2>/dev/null
openssl pkey -in "$work/plain.pem" -pubout -out "$work/plain.pub.pem"
printf 'phrase secrète\n' >"$work/passphrase.txt"
openssl genpkey -algorithm ed25519 -aes-256-cbc -pass file:"$work/passphrase.txt" -out "$work/protected.pem" 2>/dev/null
openssl pkey -in "$work/protected.pem" -passin file:"$work/passphrase.txt" -pubout -out "$work/protected.pub.pem"

# Signed on Windows, checked on Linux; signed on Linux, checked on Windows.
cp "$work/linux.pkg" "$work/signed-on-windows.pkg"
winpack --sign "$(win "$work/plain.pem")" --sign "$(win "$work/protected.pem")" \
    --passphrase-file "$(win "$work/passphrase.txt")" "$(win "$work/signed-on-windows.pkg")"
cp "$work/windows.pkg" "$work/signed-on-linux.pkg"
"$linux_pack" --sign "$work/plain.pem" --sign "$work/protected.pem" --passphrase-file "$work/passphrase.txt" \
    "$work/signed-on-linux.pkg"
for key in plain protected; do
    check "a signature made on Windows by the $key key holds on Linux" 0 \
        "$(status_of "$linux_pack" --verify "$work/signed-on-windows.pkg" --key "$work/$key.pub.pem")"
    check "a signature made on Linux by the $key key holds on Windows" 0 \
        "$(status_of winpack --verify "$(win "$work/signed-on-linux.pkg")" --key "$(win "$work/$key.pub.pem")")"
done
check "the Windows build reads the Linux signatures as Linux does" \
    "$("$linux_pack" --verify "$work/signed-on-linux.pkg" 2>&1)" \
    "$(winpack --verify "$(win "$work/signed-on-linux.pkg")" 2>&1)"
# A signed package whose content changed: both refuse its signatures.
cp "$work/signed-on-windows.pkg" "$work/signed-tampered.pkg"
printf 'X' | dd of="$work/signed-tampered.pkg" bs=1 seek=200 conv=notrunc status=none
check "a changed signed package fails verification on Linux" 1 \
    "$(status_of "$linux_pack" --verify "$work/signed-tampered.pkg" --key "$work/plain.pub.pem")"
check "a changed signed package fails verification on Windows" 1 \
    "$(status_of winpack --verify "$(win "$work/signed-tampered.pkg")" --key "$(win "$work/plain.pub.pem")")"
check "a wrong passphrase is refused on Windows" 1 \
    "$(printf 'pas la bonne\n' >"$work/wrong.txt"; status_of winpack --sign "$(win "$work/protected.pem")" \
        --passphrase-file "$(win "$work/wrong.txt")" "$(win "$work/signed-on-windows.pkg")")"

echo "$checks checks, $failures failed"
((failures == 0))
