#!/usr/bin/env bash
# The server benchmarks against a private PostgreSQL cluster started for them over loopback.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Durable, as a team's server is: every commit waits for the log to reach the disk.
eval "$(LNG_TEST_PG_FSYNC=on "$root/scripts/test-server.sh")"
export LNG_TEST_PG PGPASSWORD
trap '"$root/scripts/test-server.sh" stop "$LNG_TEST_PG_DIR"' EXIT
"$root/build/bin/lng_bench" --benchmark_filter='Server|LoadTable|SaveTable/100' "$@"
