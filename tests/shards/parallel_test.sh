#!/usr/bin/env bash
# The GNU parallel line of docs/many-machines.md, run as it stands: its merged output is
# that of one run. Usage: parallel_test.sh RATIOHUNT DOC; exits 77 (skipped) without parallel.
set -euo pipefail
binary=$(realpath "$1")
doc=$(realpath "$2")
source "$(dirname "$0")/doc_scripts.sh"
if ! command -v parallel >/dev/null; then
  echo "skipped: GNU parallel is not installed"
  exit 77
fi
work_with_program "$binary"
line=$(doc_code_block "$doc" 3)
grep -qF -- "${doc_search[*]}" <<<"$line"
bash -c "$line"
ratiohunt "${doc_search[@]}" --time-out=1e9 --no-wait >one.txt
cmp one.txt commas.txt
echo "GNU parallel: 8 shards merged as one run ($(wc -l <commas.txt) lines)"
