#!/usr/bin/env bash
# Sets up what is missing, builds the release preset and converts an Access database into a
# SQL dump file with VDYAGENT.
#   scripts/convert.sh [ACCESS_FILE [DUMP_FILE]]
# Without ACCESS_FILE it converts the Northwind sample of ../shared/testdata when that is there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

agent=build/release/console/VDYAGENT
if [ ! -x "$agent" ]; then
  echo "Built the engine; the console program VDYAGENT is not part of this version yet." >&2
  exit 1
fi
src=${1:-../shared/testdata/access/real/nwind.mdb}
if [ ! -f "$src" ]; then
  echo "No Access file at $src: give its path as the first argument." >&2
  exit 1
fi
dump=${2:-$(basename "${src%.*}").sql}
"$agent" --src="$src" --dump --dest="$(basename "${src%.*}")"
echo "Dump written to $dump"
