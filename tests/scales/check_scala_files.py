#!/usr/bin/env python3
"""The scale and keyboard mapping files the program writes, read by a reader written here
from the Scala format's description (not from the program's code): '!' lines are comments,
the first other line is the description, the next the count, then one pitch a line, cents
when it has a period, else a ratio n/d or an integer n; text after the pitch is ignored.
Each file must hold the pitches the program's records report. Usage: check_scala_files.py RATIOHUNT"""
import json
import os
import subprocess
import sys
import tempfile
from fractions import Fraction


def read_scl(data):
    if b"\r" in data:
        raise ValueError("a CR in a file meant to have LF line ends")
    lines = [line for line in data.decode("utf-8").split("\n") if not line.startswith("!")]
    if lines and lines[-1] == "":
        lines.pop()
    description, count, pitch_lines = lines[0], int(lines[1].split()[0]), lines[2:]
    if len(pitch_lines) != count:
        raise ValueError(f"{len(pitch_lines)} pitch lines for a count of {count}")
    pitches = []
    for line in pitch_lines:
        token = line.split()[0]
        if "." in token:
            pitches.append(float(token))
        elif "/" in token:
            n, d = token.split("/")
            pitches.append(Fraction(int(n), int(d)))
        else:
            pitches.append(Fraction(int(token)))
    return description, pitches


def read_kbm(data):
    numbers = [line.strip() for line in data.decode("utf-8").split("\n") if line.strip() and not line.startswith("!")]
    size, first, last, middle, reference, frequency, octave = numbers[:7]
    return {"size": int(size), "first": int(first), "last": int(last), "middle": int(middle),
            "reference": int(reference), "frequency": float(frequency), "octave": int(octave),
            "map": [int(n) for n in numbers[7:]]}


def fail(args, what):
    sys.exit(f"scale {' '.join(args)}: {what}")


def check(binary, folder, args, base_note=60, base_frequency=261.6256):
    scl = os.path.join(folder, "out.scl")
    kbm = os.path.join(folder, "out.kbm")
    run = subprocess.run([binary, "scale", *args, "--format=json", "--scl=" + scl, "--kbm=" + kbm, "--base-note=" + str(base_note), "--base-frequency=" + str(base_frequency)],
                         check=True, capture_output=True, text=True)
    records = [json.loads(line) for line in run.stdout.splitlines()]
    summary, degrees = records[-1], records[:-1]
    with open(scl, "rb") as f:
        data = f.read()
    description, pitches = read_scl(data)
    if description != summary["description"]:
        fail(args, f"description {description!r}, records say {summary['description']!r}")
    if not data.startswith(b"! out.scl\n! ratiohunt scale "):
        fail(args, "the file does not begin with its name and the command line")
    if len(pitches) != len(degrees):
        fail(args, f"{len(pitches)} pitches for {len(degrees)} degrees")
    for pitch, degree in zip(pitches, degrees):
        if isinstance(pitch, Fraction) != degree["just"] and int(degree.get("numerator") or 0) < 2**31:
            fail(args, f"degree {degree['degree']} written as {pitch}")
        if isinstance(pitch, Fraction):
            if pitch != Fraction(int(degree["numerator"]), int(degree["denominator"])):
                fail(args, f"degree {degree['degree']} is {pitch}, records say {degree['ratio']}")
        elif abs(pitch - degree["cents"]) > 1e-6:
            fail(args, f"degree {degree['degree']} is {pitch} cents, records say {degree['cents']}")
    with open(kbm, "rb") as f:
        mapping = read_kbm(f.read())
    want = {"size": len(degrees), "first": 0, "last": 127, "middle": base_note, "reference": base_note,
            "frequency": base_frequency, "octave": len(degrees), "map": list(range(len(degrees)))}
    if mapping != want:
        fail(args, f"keyboard mapping {mapping}, not {want}")


def main():
    binary = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        check(binary, folder, ["--edo=12"])
        check(binary, folder, ["--edo=22", "--limit=11", "--within=3"])  # some degrees keep their cents
        check(binary, folder, ["--edo=12", "--within=0.01", "--max-term=1e12"])  # terms beyond 2^31 as cents
        check(binary, folder, ["--edo=13<3>", "--subgroup=3.5.7"], base_note=69, base_frequency=440)
        check(binary, folder, ["111c", "7\\12", "[-3 1 1>", "1.25", "2"], base_note=0, base_frequency=8.175799)
        source = os.path.join(folder, "source.scl")
        with open(source, "wb") as f:
            f.write(b"! a file with every kind of line\r\n\r\n 5\r\n!\r\n 100.0\r\n 5/4 major third\r\n"
                    b"!\r\n 3\r\n 813.7 cents\r\n 2/1\r\n")
        check(binary, folder, ["--from-scl=" + source])
    print("every file reads back as the records say")


if __name__ == "__main__":
    main()
