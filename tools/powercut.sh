#!/usr/bin/env bash
# The power-cut test for as long as asked: the machine prefix on an ext4 image through a loop
# device, mounted with a long commit interval; while an unattended update of VTPOrbel runs, the
# disk is copied at random moments and right after the end (what the kernel had written back, as a
# power cut leaves it); each copy is checked by e2fsck, mounted, recovered by quarnel-machine
# recover, and every file of the product must be all old or all new, never empty. Needs root.
# Prints the figures at the end.
#   tools/powercut.sh [ROUNDS [SEED [CUTS_PER_ROUND [PROGRAM_MB [BUILD_FOLDER]]]]]
# ROUNDS (updates) defaults to 50, SEED to a random one (printed), CUTS_PER_ROUND to 2 (plus the
# one after the end), PROGRAM_MB to 4, BUILD_FOLDER to build/asan (target powercut_e2e_tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-50}
seed=${2:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
cuts=${3:-2}
megabytes=${4:-4}
build=${5:-$root/build/asan}
test="$build/tests/e2e/powercut/powercut_e2e_tests"
[ -x "$test" ] || { echo "powercut.sh: $test is not built (cmake --build --preset asan --target powercut_e2e_tests)" >&2; exit 64; }
[ "$(id -u)" = 0 ] || { echo "powercut.sh: loop devices and mounts need root" >&2; exit 64; }
# The run uses copies of the programs, so that a build meanwhile does not change them under it.
programs=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-powercut-programs-XXXXXX")
trap 'rm -rf "$programs"' EXIT
cp "$build/apps/quarnel-update/quarnel-update" "$build/apps/quarnel-pack/quarnel-pack" \
    "$build/apps/quarnel-machine/quarnel-machine" "$programs/"
echo "powercut.sh: $rounds updates, $cuts cuts each and one after the end, seed $seed, program of $megabytes MB"
QUARNEL_TEST_PROGRAMS=$programs QUARNEL_POWERCUT_ROUNDS=$rounds QUARNEL_POWERCUT_SEED=$seed QUARNEL_POWERCUT_CUTS=$cuts QUARNEL_POWERCUT_MB=$megabytes \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    "$test" --gtest_brief=1
