#!/usr/bin/env bash
# Runs a test program with the private server's address in its environment.
#   with_test_server.sh STATE_DIR PROGRAM [ARGS...]
set -euo pipefail
state=$1
shift
if [ ! -f "$state/env" ]; then
  echo "the private test server is not running ($state/env is missing): run this test through ctest" >&2
  exit 1
fi
set -a
# shellcheck disable=SC1091
. "$state/env"
set +a
exec "$@"
