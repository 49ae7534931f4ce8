#!/usr/bin/env bash
# Pictures of the wizard's pages (welcome, list of changes, report after the run) on the demo
# package and demo machine, under Xvfb when xvfb-run is installed:
#   tools/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER
# BUILD_FOLDER is a built tree (quarnel-machine, quarnel-pack, quarnel-update).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: tools/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER}" && pwd)
out=${2:?usage: tools/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER}
mkdir -p "$out"
out=$(cd "$out" && pwd)

machine=$(mktemp -d)
trap 'rm -rf "$machine"' EXIT
QUARNEL_PREFIX="$machine/prefix" QUARNEL_DEMO_SCREENSHOTS="$out" "$root/demo/make-demo-machine.sh" "$build" > /dev/null
ls "$out"
