#!/usr/bin/env python3
"""Shards merged against one run, and the merge's refusals.

Random searches big enough to split, run as N shards (N = 1, 2, 3, 7, 64; on one thread
or three) and merged, in
text and JSON, both modes, with and without the gate, the shard files given in shuffled
order or concatenated on standard input: the merge prints exactly what one run prints
(JSON's seconds aside, which are the shards' sum); the same for complete searches and for
searches big enough for the group table. Then each way a set of shard files can
be broken, a shard that did not finish, and one that cannot be read twice.
Usage: merge_test.py RATIOHUNT [SEARCHES]
"""
import json
import os
import random
import re
import subprocess
import sys
import tempfile
import threading

SHARD_COUNTS = [1, 2, 3, 7, 64]
PRIMES = [2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31]
TARGETS = ["1/1", "7/6", "11/8", "3/2", "700c", "1 1", "5/4", "13/11"]
SEARCHES = 200


def run(binary, args, stdin=b""):
    done = subprocess.run([binary] + args, input=stdin, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


def without_seconds(output):
    return re.sub(rb'"seconds":[^,}]*', b'"seconds":0', output)


def random_search(rng):
    factors = sorted(rng.sample(PRIMES[1:], rng.randint(3, 7)))
    if rng.random() < 0.8:
        factors = [2] + factors
    target = rng.choice(TARGETS).split()
    max_quotient = "%ge%d" % (rng.choice([1, 2, 5]), rng.randint(4, 8))
    if rng.random() < 0.5:
        low = rng.choice(["0", "1", "-1"])
        mode = ["-2", low, str(rng.choice([0.5, 2, 10, 30]))]
    else:
        mode = []
    args = target + [max_quotient, "6", "900"] + mode + [str(f) for f in factors]
    if rng.random() < 0.3:
        args.append("--every-vector")
    return args


def write_shards(binary, args, shards, folder):
    names = []
    for k in range(1, shards + 1):
        threads = "--threads=%d" % (1 if k % 2 else 3)  # one walk, or the shard's own threads
        status, out, err = run(binary, ["--shard=%d/%d" % (k, shards), "--time-out=1e9", threads] + args)
        assert status == 0 and err == b"", (args, k, status, err)
        name = os.path.join(folder, "shard-%d.jsonl" % k)
        with open(name, "wb") as f:
            f.write(out)
        names.append(name)
    return names


def border_records(names):
    """How many records sit on a block's first or last counted vector."""
    count = 0
    for name in names:
        tested = None
        with open(name) as f:
            for line in f:
                record = json.loads(line)
                if "block" in record:
                    tested = record["tested"]
                elif "at" in record and record["at"] in (1, tested):
                    count += 1
    return count


def check_merges_equal_one_run(binary, rng, searches):
    split = 0
    on_borders = 0
    for i in range(searches):
        args = random_search(rng)
        shards = SHARD_COUNTS[i % len(SHARD_COUNTS)]
        form = ["--format=json"] if i % 2 else []
        with tempfile.TemporaryDirectory() as folder:
            names = write_shards(binary, args, shards, folder)
            with open(names[0]) as f:
                split += json.loads(f.readline())["blocks"] >= 2 * shards
            on_borders += border_records(names)
            status, one, _ = run(binary, args + form + ["--no-wait"])
            assert status == 0, args
            rng.shuffle(names)
            if i % 3 == 0 and shards > 1:  # concatenated on standard input, one file also named
                stdin = b"".join(open(name, "rb").read() for name in names[1:])
                status, merged, err = run(binary, ["--merge", names[0], "-"] + form, stdin)
            else:
                status, merged, err = run(binary, ["--merge"] + names + form)
            assert status == 0 and err == b"", (args, shards, status, err)
            if without_seconds(merged) != without_seconds(one):
                sys.exit("merge of %d shards differs from one run: %s %s" % (shards, " ".join(args), form))
    print("%d searches merged as one run; %d split into at least 2 blocks per shard; %d records on block borders"
          % (searches, split, on_borders))
    assert split >= searches // 2 and on_borders > 0


# Each broken set of shard files: how to break it, and what the merge must say.
BROKEN = [
    ("missing", lambda files: files[:2] + files[3:], r"shard 3/4 is missing"),
    ("duplicated", lambda files: files + [files[1]], r"shard-2\.jsonl: shard 2/4 is also in .*shard-2\.jsonl"),
    ("truncated", lambda files: cut(files, 1, -7), r"shard-2\.jsonl: is cut short: its last line is incomplete"),
    ("end line lost", lambda files: cut(files, 2, "last line"), r"shard-3\.jsonl: is cut short: shard 3/4 has no end"),
    ("empty", lambda files: files + [write(files, "empty.jsonl", b"")], r"empty\.jsonl: is empty, not a shard file"),
    ("foreign", lambda files: files + [write(files, "notes.txt", b"7/6\n")], r"notes\.txt: is not a shard file"),
    ("another query", lambda files: files[:3] + [other_shard(files, ["--shard=4/4", "7/6", "1e7"])],
     r"other\.jsonl: is a shard of another search than"),
    ("another count", lambda files: files + [other_shard(files, ["--shard=5/5"] + SEARCH)],
     r"other\.jsonl: is shard 5/5, but .* is one of 4"),
    ("another version", lambda files: files[1:] + [edit(files[0], '"version":"', '"version":"0.')],
     r"shard-1\.jsonl: was written by ratiohunt 0\."),
    ("another logarithm", lambda files: files[1:] + [edit(files[0], '"ln_factors":["3fe62e42fefa39ef"',
                                                         '"ln_factors":["3fe62e42fefa39f0"')],
     r"shard-1\.jsonl: its machine computed ln 2 differently from"),
    ("unreadable", lambda files: files + [os.path.join(os.path.dirname(files[0]), "absent.jsonl")],
     r"absent\.jsonl: cannot be read"),
    ("nothing", lambda files: [], r"give the shard files to merge"),
]
SEARCH = ["1/1", "1e7", "6", "900", "-2", "0", "2", "2", "3", "5", "7", "11"]
BINARY = None


def write(files, name, data):
    path = os.path.join(os.path.dirname(files[0]), name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def cut(files, index, where):
    data = open(files[index], "rb").read()
    data = data[:where] if where != "last line" else data[:data.rstrip(b"\n").rfind(b"\n") + 1]
    write(files, os.path.basename(files[index]), data)
    return files


def edit(path, old, new):
    data = open(path, "rb").read().replace(old.encode(), new.encode(), 1)
    with open(path, "wb") as f:
        f.write(data)
    return path


def other_shard(files, args):
    status, out, _ = run(BINARY, args[:1] + ["--time-out=1e9"] + args[1:])
    assert status == 0
    return write(files, "other.jsonl", out)


def check_broken_shards(binary):
    for name, breaks, message in BROKEN:
        with tempfile.TemporaryDirectory() as folder:
            files = write_shards(binary, SEARCH, 4, folder)
            status, out, err = run(binary, ["--merge"] + breaks(files))
            if status != 2 or out != b"" or not re.search(message, err.decode()):
                sys.exit("broken shards, %s: exit %d, stdout %r, stderr %r" % (name, status, out[:80], err))
    print("%d kinds of broken shard files refused" % len(BROKEN))


# Complete searches: a hit on the target ends one in successive mode but not in range
# mode, and factors sharing a prime take the plain loop, which is not split.
COMPLETE_SEARCHES = [
    ["--complete", "7/6", "1e6", "-1", "2", "3", "5", "7"],
    ["--complete", "1/1", "1e9", "-2", "-3", "3", "2", "3", "5", "7", "11"],
    ["--complete", "7/6", "1e10", "-1", "2", "3", "5", "7", "11", "13"],
    ["--complete", "1/1", "1e5", "-2", "-10", "10", "6", "10", "15"],
]


def merge_and_one_run(binary, args, shards, form):
    """The first shard file's header, then the merge of the search's shards and one run of it, seconds aside."""
    with tempfile.TemporaryDirectory() as folder:
        names = write_shards(binary, args, shards, folder)
        with open(names[0]) as f:
            header = json.loads(f.readline())
        _, one, _ = run(binary, args + form + ["--no-wait"])
        status, merged, err = run(binary, ["--merge"] + names + form)
        assert status == 0 and err == b"", (args, status, err)
        return header, without_seconds(merged), without_seconds(one)


def check_complete_merges(binary):
    for args in COMPLETE_SEARCHES:
        for shards, form in ((3, []), (7, ["--format=json"])):
            header, merged, one = merge_and_one_run(binary, args, shards, form)
            assert header["query"]["complete"] is True, args
            if merged != one:
                sys.exit("complete search, merge of %d shards differs from one run: %s" % (shards, " ".join(args)))
    print("%d complete searches merged as one run" % len(COMPLETE_SEARCHES))


# Searches of billions of vectors, walked through the group table: the even shards walk
# their blocks on three threads over the one plan of the search, built lazily by whichever
# thread comes first.
BIG_SEARCHES = [
    ["1/1", "1e7", "6", "900", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "23", "29"],
    ["11/8", "1e9", "6", "900", "2", "3", "5", "7", "13", "17", "19", "23"],
    ["7/6", "1e9", "6", "900", "-2", "0", "3", "2", "3", "5", "11", "13", "17", "19", "23"],
]


def check_big_merges(binary):
    for args in BIG_SEARCHES:
        header, merged, one = merge_and_one_run(binary, args, 4, ["--format=json"])
        assert header["blocks"] >= 8, (args, header["blocks"])
        if merged != one:
            sys.exit("big search, merge of 4 shards differs from one run: %s" % " ".join(args))
    print("%d searches through the group table merged as one run" % len(BIG_SEARCHES))


def check_unfinished_shard(binary):
    """A shard that ran out of time: the merge gives what one run gives stopped there."""
    with tempfile.TemporaryDirectory() as folder:
        files = write_shards(binary, SEARCH, 4, folder)
        status, out, _ = run(binary, ["--shard=3/4", "--time-out=-1"] + SEARCH)
        assert status == 0
        write(files, "shard-3.jsonl", out)
        _, whole, _ = run(binary, SEARCH + ["--format=json"])
        status, merged, err = run(binary, ["--merge", "--format=json"] + files)
        assert status == 1 and b"shards that did not finish: 3" in err, (status, err)
        records = merged.splitlines()[:-1]
        assert records == whole.splitlines()[:len(records)] and len(records) < len(whole.splitlines()) - 1
        summary = json.loads(merged.splitlines()[-1])
        assert summary["end"] == "incomplete" and summary["unfinished_shards"] == [3], summary
        status, rows, err = run(binary, ["--merge", "--format=csv"] + files)
        summary = json.loads(err.splitlines()[0])
        assert status == 1 and summary["end"] == "incomplete" and summary["unfinished_shards"] == [3], err
        status, text, _ = run(binary, ["--merge"] + files)
        assert status == 1 and b"time out at" in text, text[-300:]
    print("an unfinished shard ends the merge where it stopped")


def check_shard_lost_mid_merge(binary):
    """A shard file that cannot be read a second time (a named pipe): the merge says so, and
    the records it merged from the shards before that one are written, as one run's first."""
    with tempfile.TemporaryDirectory() as folder:
        files = write_shards(binary, SEARCH, 4, folder)
        data = open(files[1], "rb").read()
        os.remove(files[1])
        os.mkfifo(files[1])

        def feed():  # once for the index, once for the replay, which cannot seek in it
            for reading in range(2):
                if reading > 0:
                    threading.Event().wait(0.5)  # the index has read to the end and closed it
                try:
                    with open(files[1], "wb") as f:
                        f.write(data)
                except BrokenPipeError:
                    pass
        feeder = threading.Thread(target=feed, daemon=True)
        feeder.start()
        _, whole, _ = run(binary, SEARCH + ["--format=json"])
        status, merged, err = run(binary, ["--merge", "--format=json"] + files)
        feeder.join(10)
        assert status == 2 and b"cannot be read again" in err, (status, err)
        records = merged.splitlines(keepends=True)
        assert records and merged == b"".join(whole.splitlines(keepends=True)[:len(records)]), (len(records), err)
    print("records merged before a shard that cannot be read again are written")


def main():
    global BINARY
    BINARY = sys.argv[1]
    searches = int(sys.argv[2]) if len(sys.argv) > 2 else SEARCHES
    check_merges_equal_one_run(BINARY, random.Random(29), searches)
    check_complete_merges(BINARY)
    check_big_merges(BINARY)
    check_broken_shards(BINARY)
    check_unfinished_shard(BINARY)
    check_shard_lost_mid_merge(BINARY)


if __name__ == "__main__":
    main()
