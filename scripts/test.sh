#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer (warnings as
# errors), and runs every test: unit, db (embedded Firebird and per-test loopback servers),
# gui (Qt offscreen) and e2e (the built programs); then cross-builds for Windows and runs the
# Windows tests under Wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
status=0
ctest --preset asan "$@" || status=$?
scripts/test-windows.sh || status=$?
exit "$status"
