#!/usr/bin/env bash
# Sets up what is missing, builds the sanitizer preset and runs every test (unit, server, e2e).
# Extra arguments go to ctest, e.g. `scripts/test.sh -L unit`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev "$@"
