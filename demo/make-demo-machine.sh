#!/usr/bin/env bash
# Builds a demo machine in $QUARNEL_PREFIX and runs the update wizard on the demo package:
#   demo/make-demo-machine.sh BUILD_FOLDER
# The machine has Veltrane registered with a company database ready for print lists (quarnel-db
# create, print-tables) and VTPOrbel 4.1 installed beside it; the package brings
# VTPOrbel 4.2, a read-me file and a print list. The machine trusts the maker's demo key (made
# here with openssl, kept outside the machine and deleted at the end) and the package is signed
# with it; a copy tampered with and signed by another key is shown refused first. With a display the wizard opens its window;
# without one it runs unattended, answering Yes, and prints its installation report. With
# QUARNEL_DEMO_SCREENSHOTS=FOLDER it saves a picture of each page there instead (under Xvfb when
# xvfb-run is installed, offscreen otherwise). QUARNEL_DEMO_LARGE_MIB=N adds a data file of N MiB
# to the package, whose copy shows its progress bar.
set -euo pipefail
build=$1
demo=$(cd "$(dirname "$0")" && pwd)
machine="$build/apps/quarnel-machine/quarnel-machine"
pack="$build/apps/quarnel-pack/quarnel-pack"
wizard="$build/apps/quarnel-update/quarnel-update"

step() { printf '\n== %s\n' "$*"; }

staging=$(mktemp -d)
keys=$(mktemp -d)
trap 'rm -rf "$staging" "$keys"' EXIT

step "A new machine in $QUARNEL_PREFIX"
"$machine" init
"$machine" show

step "The maker's demo key; the machine trusts its public half"
openssl genpkey -algorithm ed25519 -out "$keys/demo-maker.pem"
openssl pkey -in "$keys/demo-maker.pem" -pubout -out "$keys/demo-maker.pub.pem"
"$machine" trust add "$keys/demo-maker.pub.pem"
"$machine" trust list

step "Veltrane registered, VTPOrbel 4.1 installed"
"$machine" reg add 'HKCU\Software\QUARNEL S.A.\Veltrane\Program' /v Filename \
    /d 'C:\Quarnel\Veltrane\Programs\Veltrane.exe' /f
drive_c=$("$machine" path 'C:\')
mkdir -p "$drive_c/Quarnel/Veltrane/Programs" "$drive_c/Quarnel/Orbel/Programs"
cp "$demo/programs/VTPOrbel-installed.exe" "$drive_c/Quarnel/Orbel/Programs/VTPOrbel.exe"
"$machine" version 'C:\Quarnel\Orbel\Programs\VTPOrbel.exe'

step "A company database prepared by the administrator to receive print lists"
db="$build/apps/quarnel-db/quarnel-db"
mkdir -p "$drive_c/Data"
"$db" 'C:\Data\Quarnel.fdb' create --id VTP_PRO --version 2
"$db" 'C:\Data\Quarnel.fdb' print-tables
"$machine" reg add 'HKLM\Software\QUARNEL S.A.\Veltrane\Default\VTP_DatabaseName' /v Path \
    /d 'C:\Data\Quarnel.fdb' /f

step "The wizard, carrying the demo package signed with the demo key"
cp "$demo"/package/* "$staging/"
cp "$demo/programs/VTPOrbel-packed.exe" "$staging/VTPOrbel.exe"
if [[ -n "${QUARNEL_DEMO_LARGE_MIB:-}" ]]; then
    # A data file large enough that its copy shows its progress (and can be cancelled).
    head -c "$((QUARNEL_DEMO_LARGE_MIB * 1024 * 1024))" /dev/urandom > "$staging/Donnees.dat"
    printf 'Donnees.dat\r\n' >> "$staging/FileNames.txt"
fi
"$pack" "$staging" -o "$QUARNEL_PREFIX/quarnel-update-demo" --wizard "$wizard" --sign "$keys/demo-maker.pem"
"$pack" --list "$QUARNEL_PREFIX/quarnel-update-demo"
"$pack" --verify "$QUARNEL_PREFIX/quarnel-update-demo" --key "$keys/demo-maker.pub.pem"

step "A tampered copy: another read-me, repacked and signed with a key the machine does not trust"
openssl genpkey -algorithm ed25519 -out "$keys/intruder.pem"
tampered=$(mktemp -d -p "$keys")
cp -p "$staging"/* "$tampered/"
echo "Ce fichier a été modifié après la signature de Quarnel." > "$tampered/Lisezmoi.txt"
"$pack" "$tampered" -o "$keys/quarnel-update-tampered" --wizard "$wizard" --sign "$keys/intruder.pem"
status=0
"$keys/quarnel-update-tampered" --silent --yes || status=$?
echo "(exit code $status: refused, nothing on the machine changed)"

if [[ -n "${QUARNEL_DEMO_SCREENSHOTS:-}" ]]; then
    step "Pictures of the wizard's pages in $QUARNEL_DEMO_SCREENSHOTS"
    export XDG_RUNTIME_DIR="$staging/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    if command -v xvfb-run > /dev/null; then
        xvfb-run -a -s "-screen 0 1280x800x24" "$QUARNEL_PREFIX/quarnel-update-demo" --screenshots "$QUARNEL_DEMO_SCREENSHOTS"
    else
        QT_QPA_PLATFORM=offscreen "$QUARNEL_PREFIX/quarnel-update-demo" --screenshots "$QUARNEL_DEMO_SCREENSHOTS"
    fi
elif [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    step "The wizard's window (Suivant > through the pages; the update runs on the last one)"
    "$QUARNEL_PREFIX/quarnel-update-demo" || true
else
    step "No display: the wizard runs unattended"
    status=0
    "$QUARNEL_PREFIX/quarnel-update-demo" --silent --yes --report "$QUARNEL_PREFIX/report.txt" || status=$?
    cat "$QUARNEL_PREFIX/report.txt"
    echo "(exit code $status)"
fi

step "VTPOrbel after the update"
"$machine" version 'C:\Quarnel\Orbel\Programs\VTPOrbel.exe'
ls -l "$drive_c/Quarnel/Orbel/Programs"
