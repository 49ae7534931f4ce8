#!/usr/bin/env bash
# Pictures of the wizard's pages on the demo package of demo/: welcome, list of changes, report.
#   apps/quarnel-update/screenshots.sh BUILD_FOLDER OUTPUT_FOLDER
# BUILD_FOLDER is a configured and built tree (quarnel-pack and quarnel-update). The wizard runs on
# a display of Xvfb when xvfb-run is there, offscreen otherwise, on a fresh machine prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: screenshots.sh BUILD_FOLDER OUTPUT_FOLDER}
out=${2:?usage: screenshots.sh BUILD_FOLDER OUTPUT_FOLDER}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The wizard carries its package, as it is shipped.
"$build/apps/quarnel-pack/quarnel-pack" "$here/demo" -o "$work/quarnel-update" \
    --wizard "$build/apps/quarnel-update/quarnel-update" > /dev/null
export QUARNEL_PREFIX="$work/machine"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
if command -v xvfb-run > /dev/null; then
    xvfb-run -a -s "-screen 0 1280x800x24" "$work/quarnel-update" --screenshots "$out"
else
    QT_QPA_PLATFORM=offscreen "$work/quarnel-update" --screenshots "$out"
fi
