#!/bin/sh
# Writes the seed folders of the fuzz targets from the real Access test files, next to the small
# text seeds kept in fuzz/seeds/. Usage: fuzz/make_seeds.sh [TESTDATA] [OUT]
# (defaults: ../shared/testdata and build/fuzz/seeds, from the top of the tree).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-$top/../shared/testdata}/access
out=${2:-$top/build/fuzz/seeds}
mkdir -p "$out/jet_open" "$out/office_crypto" "$out/jet_sql" "$out/jet_query_text" "$out/profile" "$out/ole_text"

# Whole files for the open: the smaller ones, so runs stay fast (the large ones add no format).
for f in "$data"/*/*.mdb "$data"/*/*.accdb; do
  [ "$(stat -c %s "$f")" -le 1100000 ] && cp "$f" "$out/jet_open/"
done
# The first pages of the encrypted files: the header page (never encrypted) and a few encrypted
# ones are all the decryption needs; whole files only slow every run down.
for f in "$data"/encrypted/*.accdb; do
  head -c 16384 "$f" > "$out/office_crypto/$(basename "$f" .accdb)-head.accdb"
done
# A damaged encryption header: the length of the encryption information beyond the page.
head -c 4096 "$data/encrypted/db2013-enc.accdb" > "$out/office_crypto/damaged-length.accdb"
printf '\377\377' | dd of="$out/office_crypto/damaged-length.accdb" bs=1 seek=665 conv=notrunc status=none
cp "$out/office_crypto/damaged-length.accdb" "$out/jet_open/"

# Saved queries: their MSysQueries rows (jet_query_text) and mdbtools' rendering of their text
# (jet_sql), one seed per query.
for f in "$data"/*/*.mdb "$data"/*/*.accdb; do
  case $f in */encrypted/*) continue ;; esac
  dialect=jet4
  [ "$(od -An -tu1 -j20 -N1 "$f" | tr -d ' ')" = 0 ] && dialect=jet3
  name=$(basename "$f")
  mdb-export -0 '' "$f" MSysQueries 2>/dev/null | python3 -c '
import csv, sys
out, name, dialect = sys.argv[1], sys.argv[2], sys.argv[3]
rows = {}
for r in csv.DictReader(sys.stdin):
    esc = lambda s: s.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")
    line = "\t".join([r["Attribute"], r["Flag"], esc(r["Name1"]), esc(r["Name2"]), esc(r["Expression"])])
    rows.setdefault(r["ObjectId"], []).append(line)
for i, (oid, lines) in enumerate(rows.items()):
    head = ["jet3"] if dialect == "jet3" else []
    open("%s/%s.%d.txt" % (out, name, i), "w").write("\n".join(head + lines) + "\n")
' "$out/jet_query_text" "$name" "$dialect" || true
  mdb-queries -1 "$f" 2>/dev/null | while IFS= read -r q; do
    [ -n "$q" ] && mdb-queries "$f" "$q" > "$out/jet_sql/$name.$(echo "$q" | tr -c 'A-Za-z0-9' _).sql" 2>/dev/null || true
  done
done

cp "$top"/fuzz/seeds/jet_sql/* "$out/jet_sql/"
cp "$top"/fuzz/seeds/profile/* "$out/profile/"
cp "$top"/fuzz/seeds/ole_text/* "$out/ole_text/"
echo "seeds written to $out"
