#!/usr/bin/env bash
# The rollback torture test for as long as asked: an unattended update of VTPOrbel (a large
# program and several secondary files) is killed with SIGKILL at random moments, the next start
# (quarnel-update or quarnel-machine recover, in turn) recovers, and every file is checked to be
# all old or all new with nothing left beside it. Prints the figures at the end.
#   tools/torture.sh [KILLS [SEED [PROGRAM_MB [BUILD_FOLDER]]]]
# KILLS defaults to 100, SEED to a random one (printed), PROGRAM_MB to 8, BUILD_FOLDER to
# build/asan (built with the rollback_torture_tests target).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kills=${1:-100}
seed=${2:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
megabytes=${3:-8}
build=${4:-$root/build/asan}
test="$build/tests/e2e/rollback/rollback_torture_tests"
[ -x "$test" ] || { echo "torture.sh: $test is not built (cmake --build --preset asan --target rollback_torture_tests)" >&2; exit 64; }
echo "torture.sh: $kills kills, seed $seed, program of $megabytes MB"
QUARNEL_TORTURE_KILLS=$kills QUARNEL_TORTURE_SEED=$seed QUARNEL_TORTURE_MB=$megabytes \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    exec "$test" --gtest_brief=1
