# The checks of the end-to-end scripts run under Wine (sourced, not run). Each check prints
# "ok: NAME" or "FAILED: NAME"; scripts/test-windows.sh counts the "ok:" lines.
failures=0
checks=0

# check NAME EXPECTED ACTUAL: the two texts are the same (their difference shown when not).
check() {
    checks=$((checks + 1))
    if [[ $2 == "$3" ]]; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") || true
        failures=$((failures + 1))
    fi
}

# check_status NAME STATUS: the status of what was checked is 0.
check_status() {
    checks=$((checks + 1))
    if (($2 == 0)); then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

# checks_end: ends the script, with 1 when a check failed.
checks_end() {
    if ((failures > 0)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
