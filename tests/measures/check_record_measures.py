#!/usr/bin/env python3
"""Checks the interval measures of the records against exact arithmetic of its own.

For every approximant record of several searches (composite factors, a factor above the
listed primes, the unison reached by composite factors, an exact hit, numbers past 64 bits
and long commas) this recomputes the
reduced ratio, prime monzo, prime limit, Tenney height, odd limit and tempering divisions
from the factors and exponents with Python's fractions and integers, and checks that each
CSV row says what its JSON record says. Usage: check_record_measures.py RATIOHUNT
"""
import csv
import io
import json
import math
import subprocess
import sys
from fractions import Fraction

SEARCHES = [
    ["1/1", "-2", "0", "25", "2", "3", "5", "7"],
    ["1/1", "1e8", "5", "10", "-2", "0", "30", "6", "4", "35", "11"],
    ["1/1", "1e9", "5", "10", "-2", "0", "10", "2", "9", "5", "7"],
    ["7", "6", "-1", "2", "9", "5", "7"],
    ["11/8", "1e9", "5", "10", "-1", "6", "4", "35", "11"],
    ["1/1", "1e12", "5", "10", "-2", "0", "30", "2", "3", "101"],
    ["1/1", "-2", "-1", "1", "2", "3", "6"],
    ["5/4", "--every-vector"],
    ["1/1", "1e30", "5", "10", "-2", "0", "2", "2", "3", "5"],
    ["1/1", "1e20", "5", "10", "-2", "0", "1.5", "6", "4", "35", "101", "1000003"],
]
LISTED_PRIME_LIMIT = 97
MAX_DIVISIONS = 99
PRIMES_TO_97 = [p for p in range(2, 98) if all(p % d for d in range(2, p))]


def run(binary, fmt, args):
    done = subprocess.run([binary, "--format=" + fmt, "--threads=1"] + args, capture_output=True, text=True,
                          timeout=60, check=True)
    return done.stdout, done.stderr


def prime_factors(n):
    factors = {}
    d = 2
    while d * d <= n:
        while n % d == 0:
            factors[d] = factors.get(d, 0) + 1
            n //= d
        d += 1
    if n > 1:
        factors[n] = factors.get(n, 0) + 1
    return factors


def odd_part(n):
    while n % 2 == 0:
        n //= 2
    return n


def patent_step(divisions, prime):
    """round(divisions * log2(prime)), decided on integers: 2^m <= p^N < 2^(m+1), then
    p^N against 2^(m + 1/2) by squaring."""
    power = prime ** divisions
    m = power.bit_length() - 1
    return m + 1 if power * power >= 2 ** (2 * m + 1) else m


def expected_measures(factors, exponents, unison):
    ratio = Fraction(1)
    for factor, exponent in zip(factors, exponents):
        ratio *= Fraction(factor) ** exponent
    n, d = ratio.numerator, ratio.denominator
    monzo = dict(prime_factors(n))
    for p, e in prime_factors(d).items():
        monzo[p] = -e
    limit = max(monzo) if monzo else 1
    tempered = None
    if unison:
        tempered = [k for k in range(1, MAX_DIVISIONS + 1)
                    if sum(e * patent_step(k, p) for p, e in monzo.items()) == 0]
    return {
        "ratio": f"{n}/{d}",
        "prime_monzo": [monzo.get(p, 0) for p in PRIMES_TO_97 if p <= limit] if limit <= LISTED_PRIME_LIMIT else None,
        "prime_limit": limit,
        "tenney_height": math.log2(n * d),
        "odd_limit": str(max(odd_part(n), odd_part(d))),
        "tempered_out_by": tempered,
    }


def check_search(binary, args, failures):
    out, _ = run(binary, "json", args)
    lines = [json.loads(line) for line in out.splitlines()]
    records, summary = lines[:-1], lines[-1]
    factors = summary["factors"]
    unison = Fraction(summary["x"]) / Fraction(summary["y"]) == 1
    for record in records:
        expected = expected_measures(factors, record["exponents"], unison)
        for field, value in expected.items():
            got = record[field]
            same = math.isclose(got, value, rel_tol=1e-12, abs_tol=1e-12) if field == "tenney_height" else got == value
            if not same:
                failures.append(f"{args}: {record['exponents']} {field} is {got}, expected {value}")
    if summary["end"] == "exact_hit" and (records[-1]["distance_cents"] != 0.0
                                          or records[-1]["cents"] != summary["target_cents"]):
        failures.append(f"{args}: the exact hit {records[-1]} is not the target itself")

    csv_out, _ = run(binary, "csv", args)
    rows = list(csv.DictReader(io.StringIO(csv_out)))
    for row, record in zip(rows, records):
        for field in ["ratio", "prime_limit", "tenney_height", "odd_limit", "prime_monzo", "tempered_out_by"]:
            value = record[field]
            text = " ".join(map(str, value)) if isinstance(value, list) else "" if value is None else str(value)
            if field == "tenney_height":
                same = float(row[field]) == value
            else:
                same = row[field] == text
            if not same:
                failures.append(f"{args}: CSV {field} '{row[field]}' against JSON {value}")
    if len(rows) != len(records):
        failures.append(f"{args}: {len(rows)} CSV rows, {len(records)} JSON records")
    return len(records)


def main():
    binary = sys.argv[1]
    failures = []
    checked = sum(check_search(binary, args, failures) for args in SEARCHES)
    for failure in failures[:20]:
        print(failure)
    print(f"{checked} records checked, {len(failures)} failures")
    if checked < 100:
        print("too few records to check")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
