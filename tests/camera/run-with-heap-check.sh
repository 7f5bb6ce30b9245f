#!/bin/sh
# Runs a Windows test program with Wine's heap validation and fails on any heap error it reports.
# Usage: run-with-heap-check.sh WINE-RUNNER PROGRAM [ARGUMENTS...]
# Wine validates heap blocks only with the heap trace on; the trace itself is thrown away.
# TRAVIK_TEST_HEAP_CHECK tells the tests that they run slowly, so they can wait for fewer frames.
errors=$(mktemp)
status=$(mktemp)
trap 'rm -f "$errors" "$status"' EXIT
{ { WINEDEBUG=+heap TRAVIK_TEST_HEAP_CHECK=1 "$@"; echo $? >"$status"; } 2>&1 1>&3 | grep 'err:heap' >"$errors"; } 3>&1
if [ -s "$errors" ]; then
    head -20 "$errors" >&2
    echo "heap errors found" >&2
    exit 1
fi
exit "$(cat "$status")"
