#!/usr/bin/env bash
# Runs the native test programs that need neither Qt nor Wine under valgrind's memcheck: any
# invalid read or write, use of uninitialised memory or definite leak fails the run. Expects the
# `linux` preset built (scripts/test.sh builds it). The allocation tests are left out: they count
# calls of their own operator new, which memcheck replaces with its own.
set -uo pipefail
cd "$(dirname "$0")/.."

programs=(
    tests/zr8_protocol_tests
    tests/zr8_link_tests
    tests/zr8_template_tests
    tests/zr8_app_tests
    tests/zr8_tool_tests
    tests/capture/zr8_capture_tests
    tests/posix/zr8_posix_tests
    tests/panel-sim/zr8_panel_sim_tests
    tests/monitor/zr8_catalog_tests
    tests/monitor/zr8_monitor_tests
    tests/monitor/coverage/zr8_monitor_coverage_tests
    tests/monitor/outputs/zr8_monitor_outputs_tests
    tests/monitor/production/zr8_monitor_production_tests
)
failed=0
for program in "${programs[@]}"; do
    path=build/linux/$program
    if [ ! -x "$path" ]; then
        echo "missing $path: build the linux preset first" >&2
        failed=1
        continue
    fi
    log=$(mktemp)
    start=$SECONDS
    if valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
        --show-leak-kinds=definite -q "$path" --gtest_brief=1 >"$log" 2>&1; then
        echo "ok    $(basename "$program") ($((SECONDS - start)) s)"
    else
        echo "FAIL  $(basename "$program")"
        cat "$log"
        failed=1
    fi
    rm -f "$log"
done
exit "$failed"
