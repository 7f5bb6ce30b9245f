#!/usr/bin/env bash
# Runs one fuzzer for SECONDS on its corpus folder; a finding fails with the reproducing input
# left in the corpus folder's parent as crash-*, leak-* or timeout-*.
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
mkdir -p "$corpus"
cd "$(dirname "$corpus")"
exec "$fuzzer" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1
