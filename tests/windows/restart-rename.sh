#!/usr/bin/env bash
# Renames scheduled for the next start are performed by Wine's restart: the test program records
# them, `wineboot -r` restarts the Wine prefix, the program checks what the start did. Run by
# CTest alone (RUN_SERIAL: the restart must not cut another test short), in the caller's prefix.
set -euo pipefail
program=$1
# ASCII: the environment reaches the program in the ANSI code page (the names inside are accented).
export QUARNEL_RESTART_FOLDER="C:\\quarnel-restart-$$"
wine "$program" --gtest_filter=RestartRename.Scheduled
wineboot -r
wine "$program" --gtest_filter=RestartRename.Performed
