#!/usr/bin/env bash
# The three speed figures of VDYAGENT, each measured side by side with the tool it is held
# against, on one Access file (default: the orders bench file of ../shared/testdata):
#   live    the live conversion against LOAD DATA LOCAL INFILE of the same rows into the same
#           empty tables (median of the per-pair ratios);
#   dump    the dump against mdb-schema + mdb-export -I mysql of the same tables;
#   memory  peak resident size of a dump and of a live run of the smallest table alone against
#           the largest table alone (flat means the ratio stays near 1 however many rows).
#   bench/compare.sh [ACCESS_FILE] [PAIRS]
# Runs the release build (cmake --preset release && cmake --build --preset release) and a
# private MariaDB server of its own, which it stops at the end.
set -euo pipefail
checkout=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$checkout/../shared/testdata/bench/orders-200k.accdb}
pairs=${2:-5}
program=${VDYAGENT:-$checkout/build/release/console/VDYAGENT}
[ -f "$src" ] || { echo "No Access file at $src" >&2; exit 1; }
[ -x "$program" ] || { echo "No program at $program: build the release preset first" >&2; exit 1; }
for tool in mdb-schema mdb-export mdb-tables /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ostrelle-compare-XXXXXX")
state=$work/server
cleanup() {
  "$checkout/tests/support/test_server.sh" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/rows"
chmod 777 "$work/rows"
"$checkout/tests/support/test_server.sh" start "$state" --secure-file-priv="$work/rows" >"$work/server.log" 2>&1 ||
  { cat "$work/server.log" >&2; exit 1; }
# shellcheck disable=SC1091
. "$state/env"
client=$(command -v mariadb || command -v mysql)
printf '[client]\npassword=%s\n' "$OSTRELLE_TEST_MYSQL_PASSWORD" > "$work/client.cnf"
# Both sides reach the server the same way: TCP on the loopback address.
sql() {
  "$client" --defaults-extra-file="$work/client.cnf" --host="$OSTRELLE_TEST_MYSQL_HOST" \
    --port="$OSTRELLE_TEST_MYSQL_PORT" --user="$OSTRELLE_TEST_MYSQL_USER" --local-infile=1 --batch \
    --skip-column-names "$@"
}
server_args=(--mysqlh="$OSTRELLE_TEST_MYSQL_HOST" --port="$OSTRELLE_TEST_MYSQL_PORT"
             --mysqlu="$OSTRELLE_TEST_MYSQL_USER" --mysqlp="$OSTRELLE_TEST_MYSQL_PASSWORD")

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f\n", a / b }'; }

mapfile -t tables < <(mdb-tables -1 "$src")

# Live against LOAD DATA: the live run's own tables, emptied, are the LOAD DATA targets, and its
# rows, written out by the server, are what LOAD DATA reads.
live_run() {
  sql -e "DROP DATABASE IF EXISTS bench_live; CREATE DATABASE bench_live"
  "$program" --src="$src" --dest=bench_live --mode=0 "${server_args[@]}" >"$work/live.out" 2>&1 ||
    { echo "the live run failed:" >&2; cat "$work/live.out" >&2; exit 1; }
}
live_run
mapfile -t live_tables < <(sql -e "SHOW TABLES" bench_live)
: > "$work/schema.sql"
: > "$work/load.sql"
echo "SET foreign_key_checks = 0;" >> "$work/schema.sql"
for t in "${live_tables[@]}"; do
  sql -e "SELECT * FROM \`$t\` INTO OUTFILE '$work/rows/$t.tsv'" bench_live
  sql -e "SHOW CREATE TABLE \`$t\`" bench_live | cut -f2- | sed -e 's/\\n/\n/g' -e 's/ AUTO_INCREMENT=[0-9]*//' >> "$work/schema.sql"
  echo ";" >> "$work/schema.sql"
  echo "LOAD DATA LOCAL INFILE '$work/rows/$t.tsv' INTO TABLE \`$t\`;" >> "$work/load.sql"
done
load_run() {
  sql -e "DROP DATABASE IF EXISTS bench_load; CREATE DATABASE bench_load"
  sql bench_load < "$work/schema.sql"
  local start end
  start=$(now)
  sql bench_load < <(echo "SET foreign_key_checks = 0;"; cat "$work/load.sql")
  end=$(now)
  seconds "$start" "$end"
}
live_timed() {
  sql -e "DROP DATABASE IF EXISTS bench_live; CREATE DATABASE bench_live"
  local start end
  start=$(now)
  "$program" --src="$src" --dest=bench_live --mode=0 "${server_args[@]}" >"$work/live.out" 2>&1 ||
    { echo "the live run failed:" >&2; cat "$work/live.out" >&2; exit 1; }
  end=$(now)
  seconds "$start" "$end"
}
: > "$work/live.ratios"
for _ in $(seq 1 "$pairs"); do
  a=$(live_timed)
  b=$(load_run)
  echo "$a" >> "$work/live.times"
  echo "$b" >> "$work/load.times"
  ratio "$a" "$b" >> "$work/live.ratios"
done

# Dump against mdb-schema + mdb-export -I mysql of the same tables into one file.
dump_timed() {
  local start end
  rm -f "$work/ours.sql"
  start=$(now)
  "$program" --src="$src" --dump --dest="$work/ours.sql" >"$work/dump.out" 2>&1 ||
    { echo "the dump failed:" >&2; cat "$work/dump.out" >&2; exit 1; }
  end=$(now)
  seconds "$start" "$end"
}
mdbtools_timed() {
  local start end
  start=$(now)
  {
    mdb-schema "$src" mysql
    for t in "${tables[@]}"; do mdb-export -I mysql "$src" "$t"; done
  } > "$work/theirs.sql"
  end=$(now)
  seconds "$start" "$end"
}
: > "$work/dump.ratios"
for _ in $(seq 1 "$pairs"); do
  a=$(dump_timed)
  b=$(mdbtools_timed)
  echo "$a" >> "$work/dump.times"
  echo "$b" >> "$work/mdbtools.times"
  ratio "$a" "$b" >> "$work/dump.ratios"
done

# Peak memory of one table alone: the table with the fewest rows against the one with the most.
rows_of() { sql -e "SELECT COUNT(*) FROM \`$1\`" bench_live; }
smallest=${tables[0]} largest=${tables[0]}
for t in "${tables[@]}"; do
  [ "$(rows_of "$t")" -lt "$(rows_of "$smallest")" ] && smallest=$t
  [ "$(rows_of "$t")" -gt "$(rows_of "$largest")" ] && largest=$t
done
peak_kb() {  # table, then dump or live
  printf '%s\n' "$1" > "$work/one.tab"
  local args=(--src="$src" --tab_file="$work/one.tab")
  if [ "$2" = dump ]; then
    rm -f "$work/one.sql"
    args+=(--dump --dest="$work/one.sql")
  else
    sql -e "DROP DATABASE IF EXISTS bench_one; CREATE DATABASE bench_one"
    args+=(--dest=bench_one --mode=0 "${server_args[@]}")
  fi
  /usr/bin/time -f %M -o "$work/peak" "$program" "${args[@]}" >"$work/one.out" 2>&1 ||
    { echo "the run of $1 alone failed:" >&2; cat "$work/one.out" >&2; exit 1; }
  cat "$work/peak"
}

echo "Access file: $src ($pairs pairs, medians)"
printf 'live:   %s s against LOAD DATA %s s: %sx\n' "$(median < "$work/live.times")" \
  "$(median < "$work/load.times")" "$(median < "$work/live.ratios")"
printf 'dump:   %s s against mdb-schema + mdb-export %s s: %sx\n' "$(median < "$work/dump.times")" \
  "$(median < "$work/mdbtools.times")" "$(median < "$work/dump.ratios")"
for mode in dump live; do
  s=$(peak_kb "$smallest" "$mode")
  l=$(peak_kb "$largest" "$mode")
  printf 'memory: %s peak %s KB (%s, %s rows) against %s KB (%s, %s rows): %sx\n' "$mode" "$s" "$smallest" \
    "$(rows_of "$smallest")" "$l" "$largest" "$(rows_of "$largest")" "$(ratio "$l" "$s")"
done
