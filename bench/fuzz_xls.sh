#!/usr/bin/env bash
# The workbook reader's fuzz run, longer than the one the tests make: ten minutes by default.
#   bench/fuzz_xls.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake --build "$root/build" --target xls_fuzz >/dev/null
ASAN_OPTIONS=detect_leaks=0 exec "$root/build/bin/xls_fuzz" --seconds "${1:-600}" --seed "$(date +%s)" \
    --save-crash "$root/build/xls_fuzz_hang.xls" "$root"/tests/fixtures/*.xls
