#!/usr/bin/env bash
# Sets everything up, builds, and shows the system on a demo machine in build/demo-machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release
# Only what the demo runs: the four programs (and the server-side library they bring), not the
# test suites and benchmarks.
cmake --build --preset release -j "$(nproc)" --target quarnel-update quarnel-pack quarnel-machine quarnel-db

build=build/release
export QUARNEL_PREFIX="$PWD/build/demo-machine"
rm -rf "$QUARNEL_PREFIX"
demo/make-demo-machine.sh "$build"
