#!/bin/sh
# Runs a Windows test program with Wine's heap validation and fails on any heap error it reports.
# Usage: run-with-heap-check.sh WINE-RUNNER PROGRAM [ARGUMENTS...]
# Wine validates heap blocks only with the heap trace on; the trace itself is thrown away. What
# else reaches the error stream (Wine's report of an unhandled exception, say) is shown at the end,
# also when the test's time-out ends the run.
# TRAVIK_TEST_HEAP_CHECK tells the tests that they run slowly, so they can wait for fewer frames.
messages=$(mktemp)
status=$(mktemp)
show_messages() {
    grep -v -e '^fixme:' -e 'err:heap' "$messages" | head -60 >&2
    rm -f "$messages" "$status"
}
trap show_messages EXIT
trap 'exit 143' TERM INT
{ { WINEDEBUG=+heap TRAVIK_TEST_HEAP_CHECK=1 "$@"; echo $? >"$status"; } 2>&1 1>&3 |
    grep --line-buffered -v -e '^trace:' -e '^[0-9a-f]*:trace:' >"$messages"; } 3>&1
if grep -q 'err:heap' "$messages"; then
    grep 'err:heap' "$messages" | head -20 >&2
    echo "heap errors found" >&2
    exit 1
fi
exit "$(cat "$status")"
