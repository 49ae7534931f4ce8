#!/usr/bin/env bash
# Builds a demo machine in $QUARNEL_PREFIX with the programs of the folder given as argument, and
# walks through what the toolkit offers on it.
set -euo pipefail
bin=$1
demo=$(cd "$(dirname "$0")" && pwd)
machine="$bin/quarnel-machine/quarnel-machine"
pack="$bin/quarnel-pack/quarnel-pack"

step() { printf '\n== %s\n' "$*"; }

step "A new machine in $QUARNEL_PREFIX"
"$machine" init
"$machine" show

step "Veltrane registered for the current user"
"$machine" reg add 'HKCU\Software\QUARNEL S.A.\Veltrane\Program' /v Filename /d 'C:\Quarnel\Veltrane\Programs\Veltrane.exe' /f
"$machine" reg query 'HKCU\Software\QUARNEL S.A.\Veltrane\Program'
"$machine" path 'c:\quarnel\veltrane\programs\veltrane.exe'

step "The machine's Firebird server on loopback"
"$machine" firebird start
"$machine" firebird status
"$machine" firebird stop

step "The demo update package"
"$pack" "$demo/package" -o "$QUARNEL_PREFIX/demo-update.pkg"
"$pack" --list "$QUARNEL_PREFIX/demo-update.pkg"
