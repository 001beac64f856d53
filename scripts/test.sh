#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
# The server tests run against a private PostgreSQL cluster, started here and stopped at the end.
eval "$("$root/scripts/test-server.sh")"
export LNG_TEST_PG PGPASSWORD
trap '"$root/scripts/test-server.sh" stop "$LNG_TEST_PG_DIR"' EXIT
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
