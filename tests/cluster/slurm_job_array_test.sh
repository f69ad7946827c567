#!/usr/bin/env bash
# A job array on the tests' own one-node cluster: each task runs and writes its file,
# and sbatch --wait returns once all have ended.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cat >job.sh <<'JOB'
#!/bin/sh
#SBATCH --array=1-4
#SBATCH --output=task-%a.out
echo "task $SLURM_ARRAY_TASK_ID of $SLURM_ARRAY_TASK_COUNT"
JOB
sbatch --wait --quiet job.sh
cat task-1.out task-2.out task-3.out task-4.out >all.out
printf 'task %d of 4\n' 1 2 3 4 | cmp - all.out
