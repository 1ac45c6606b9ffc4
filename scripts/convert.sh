#!/usr/bin/env bash
# Sets up what is missing, builds the release preset and converts an Access database into a
# SQL dump file with VDYAGENT.
#   scripts/convert.sh [ACCESS_FILE [DUMP_FILE]]
# Without ACCESS_FILE it converts the Northwind sample of ../shared/testdata when that is there.
# DUMP_FILE defaults to the Access file's name with ".sql", in the current folder.
set -euo pipefail
here=$PWD
checkout=$(cd "$(dirname "$0")/.." && pwd)

# Paths the user gives are taken from the folder the script was started in.
absolute() { case $1 in /*) printf '%s\n' "$1" ;; *) printf '%s\n' "$here/$1" ;; esac; }
if [ $# -ge 1 ]; then
  src=$(absolute "$1")
else
  src=$checkout/../shared/testdata/access/real/nwind.mdb
fi
if [ ! -f "$src" ]; then
  echo "No Access file at $src: give its path as the first argument." >&2
  exit 1
fi
base=$(basename "$src")
dump=$(absolute "${2:-${base%.*}.sql}")

cd "$checkout"
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target VDYAGENT  # the program alone: tests and benchmarks are not needed here

status=0
build/release/console/VDYAGENT --src="$src" --dump --dest="$dump" || status=$?
case $status in
  0) echo "Dump written to $dump" ;;
  2) echo "Dump written to $dump; some tables or rows failed (see the errors above)." >&2 ;;
  *) echo "No dump written: VDYAGENT ended with exit code $status." >&2 ;;
esac
exit "$status"
