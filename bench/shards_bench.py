#!/usr/bin/env python3
"""Times one big 23-limit comma search as one shard and as 8 shards run one after another.

Checks that the shards share the work evenly (the slowest shard's time at most 1.5 times
the mean) and that splitting costs little (all shards' CPU at most 1.3 times the one
shard's), and prints the merge's time. Each shard runs with one thread, as a Slurm task
of one core would. Usage: shards_bench.py RATIOHUNT [SHARDS] [SEARCH...]
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

SEARCH = ["1/1", "1e20", "6", "900", "-2", "0", "0.001", "--limit=23"]
MAX_SLOWEST_OVER_MEAN = 1.5
MAX_CPU_OVER_ONE_RUN = 1.3


def timed(args, output):
    """Runs a command to a file; returns its wall-clock and CPU seconds."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(output, "wb") as out:
        subprocess.run(args, stdout=out, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def run_shards(binary, shards, search, folder):
    walls, cpus, names = [], [], []
    for k in range(1, shards + 1):
        name = os.path.join(folder, "shard-%d-of-%d.jsonl" % (k, shards))
        wall, cpu = timed([binary, "--shard=%d/%d" % (k, shards), "--time-out=1e9", "--threads=1"] + search, name)
        walls.append(wall)
        cpus.append(cpu)
        names.append(name)
    return walls, cpus, names


def main():
    binary = sys.argv[1]
    shards = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    search = sys.argv[3:] or SEARCH
    with tempfile.TemporaryDirectory() as folder:
        _, one_cpu, one_names = run_shards(binary, 1, search, folder)
        walls, cpus, names = run_shards(binary, shards, search, folder)
        merge_wall, _ = timed([binary, "--merge", "--format=json"] + names, os.path.join(folder, "merged.jsonl"))
        timed([binary, "--merge", "--format=json"] + one_names, os.path.join(folder, "one.jsonl"))
        size = sum(os.path.getsize(name) for name in names)
        merged, one = (open(os.path.join(folder, name), "rb").read().splitlines() for name in ("merged.jsonl", "one.jsonl"))
        if merged[:-1] != one[:-1]:
            sys.exit("the merge of %d shards differs from the merge of one" % shards)
    mean = sum(walls) / len(walls)
    slowest = max(walls) / mean
    cpu_ratio = sum(cpus) / one_cpu[0]
    print("search: %s" % " ".join(search))
    print("1 shard: %.2f s CPU; %d shards: %.2f s CPU in all (%.2f times), slowest shard %.2f times the mean"
          % (one_cpu[0], shards, sum(cpus), cpu_ratio, slowest))
    print("merge of %d shard files (%.1f MB): %.3f s" % (shards, size / 1e6, merge_wall))
    if slowest > MAX_SLOWEST_OVER_MEAN or cpu_ratio > MAX_CPU_OVER_ONE_RUN:
        sys.exit("shards are uneven or cost too much: slowest %.2f (at most %.1f), CPU %.2f (at most %.1f)"
                 % (slowest, MAX_SLOWEST_OVER_MEAN, cpu_ratio, MAX_CPU_OVER_ONE_RUN))


if __name__ == "__main__":
    main()
