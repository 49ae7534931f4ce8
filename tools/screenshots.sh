#!/usr/bin/env bash
# Pictures of the wizard on the demo package and demo machine, under Xvfb when xvfb-run is
# installed: the window while the package is checked (0-checking), its pages (1-welcome,
# 2-changes, 3-report after the run) and the copy of a large data file halfway (2-copying):
#   tools/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER
# BUILD_FOLDER is a built tree (quarnel-machine, quarnel-pack, quarnel-update, quarnel-db).
# QUARNEL_DEMO_LARGE_MIB sets the size of that data file (64 MiB by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: tools/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER}" && pwd)
out=${2:?usage: tools/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER}
mkdir -p "$out"
out=$(cd "$out" && pwd)

machine=$(mktemp -d)
trap 'rm -rf "$machine"' EXIT
QUARNEL_PREFIX="$machine/prefix" QUARNEL_DEMO_SCREENSHOTS="$out" QUARNEL_DEMO_LARGE_MIB="${QUARNEL_DEMO_LARGE_MIB:-64}" \
    "$root/demo/make-demo-machine.sh" "$build" > /dev/null
ls "$out"
