#!/bin/sh
# Each internal check throws its own code, so that a user's "Internal error: code=..." names the
# one check that fired. Lists every code thrown at more than one place and fails if there is any.
set -eu
cd "$(dirname "$0")/.."
dups=$(grep -rhoE 'tk_mail_assertion\("[^"]*", *[0-9]+\)' --include='*.cpp' --include='*.h' \
         TK OLE UDB dao SQL common converter console GUI2 platform | sort | uniq -d)
if [ -n "$dups" ]; then
  echo "internal-error codes thrown at more than one place:" >&2
  echo "$dups" | while IFS= read -r d; do
    grep -rnF --include='*.cpp' --include='*.h' "$d" TK OLE UDB dao SQL common converter console GUI2 platform >&2
  done
  exit 1
fi
