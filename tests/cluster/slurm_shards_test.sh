#!/usr/bin/env bash
# The Slurm batch script and submission of docs/many-machines.md, run as they stand on
# the tests' own one-node cluster (sbatch waits for each job here): the merged output
# of the 8 shards is that of one run. Usage: slurm_shards_test.sh RATIOHUNT DOC
set -euo pipefail
binary=$(realpath "$1")
doc=$(realpath "$2")
source "$(dirname "$(realpath "$0")")/../shards/doc_scripts.sh"
work_with_program "$binary"
doc_code_block "$doc" 1 >shards.sbatch
doc_code_block "$doc" 2 >submit.sh
grep -qF -- "${doc_search[*]}" shards.sbatch
sbatch() { command sbatch --wait "$@"; }
source ./submit.sh
ls shard-{1,2,3,4,5,6,7,8}.jsonl >/dev/null
ratiohunt "${doc_search[@]}" --time-out=1e9 --no-wait >one.txt
cmp one.txt commas.txt
echo "Slurm: 8 shards as a job array, merged by a dependent job as one run ($(wc -l <commas.txt) lines)"
