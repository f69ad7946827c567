#!/usr/bin/env python3
"""A complete search's list against a brute force in exact arithmetic: every reduced n/d
with n, d <= the max quotient whose primes are the basis's, kept when its exponents over
the primes are an integer combination of the factors' and its distance from the target
lies strictly inside the window (above 1/1 only, for a comma search). Usage:
check_complete_lists.py RATIOHUNT"""
import json
import math
import subprocess
import sys
from fractions import Fraction


def primes_of(factors):
    primes = set()
    for f in factors:
        p = 2
        while p * p <= f:
            while f % p == 0:
                primes.add(p)
                f //= p
            p += 1
        if f > 1:
            primes.add(f)
    return sorted(primes)


def exponents_over(number, primes):
    result = []
    for p in primes:
        e = 0
        while number % p == 0:
            number //= p
            e += 1
        result.append(e)
    return result if number == 1 else None


def smooth_numbers(primes, bound):
    numbers = [1]
    for p in primes:
        grown = []
        for n in numbers:
            while n <= bound:
                grown.append(n)
                n *= p
        numbers = grown
    return sorted(numbers)


def in_lattice(vector, columns):
    """Whether vector (over the primes) is an integer combination of the columns."""
    rows = [[Fraction(c[i]) for c in columns] + [Fraction(vector[i])] for i in range(len(vector))]
    width = len(columns)
    pivot_row = 0
    for col in range(width):
        pivot = next((r for r in range(pivot_row, len(rows)) if rows[r][col] != 0), None)
        if pivot is None:
            continue
        rows[pivot_row], rows[pivot] = rows[pivot], rows[pivot_row]
        rows[pivot_row] = [x / rows[pivot_row][col] for x in rows[pivot_row]]
        for r in range(len(rows)):
            if r != pivot_row and rows[r][col] != 0:
                rows[r] = [a - rows[r][col] * b for a, b in zip(rows[r], rows[pivot_row])]
        pivot_row += 1
    if any(all(x == 0 for x in row[:width]) and row[width] != 0 for row in rows):
        return False
    return all(row[width].denominator == 1 for row in rows[:pivot_row])


def expected(target, factors, bound, low, high):
    primes = primes_of(factors)
    columns = [exponents_over(f, primes) for f in factors]
    numbers = smooth_numbers(primes, bound)
    unison = target == Fraction(1)
    found = set()
    for n in numbers:
        for d in numbers:
            if math.gcd(n, d) != 1 or (unison and n <= d):
                continue
            cents = abs(1200 * math.log2(n / d) - 1200 * math.log2(target))
            if not low < cents < high:
                continue
            vector = [a - b for a, b in zip(exponents_over(n, primes), exponents_over(d, primes))]
            if in_lattice(vector, columns):
                found.add((n, d))
    return found


def listed(program, target, factors, bound, low, high):
    args = [program, str(target.numerator), str(target.denominator), str(bound), "5", "1000", "-2", str(low),
            str(high)] + [str(f) for f in factors] + ["--complete", "--format=json"]
    lines = subprocess.run(args, check=True, capture_output=True, text=True).stdout.splitlines()
    records = [json.loads(line) for line in lines]
    assert records[-1]["complete"] is True and records[-1]["end"] == "exhausted", records[-1]
    ratios = [Fraction(int(r["numerator"]), int(r["denominator"])) for r in records if r["type"] == "approximant"]
    pairs = [(q.numerator, q.denominator) for q in ratios]
    assert len(pairs) == len(set(pairs)), "a ratio listed twice"
    return set(pairs)


# Window bounds chosen with no candidate within 1e-9 cents of them.
CASES = [
    (Fraction(1), [2, 3, 5], 10**5, 0, 30.0000001),
    (Fraction(1), [2, 3, 5], 10**6, 0, 25.0000001),
    (Fraction(1), [2, 3, 5, 7], 10**4, 0, 30.0000001),
    (Fraction(1), [2, 3, 5, 7, 11], 10**4, 1.5, 20.0000001),
    (Fraction(1), [2, 3, 7], 10**5, 0, 50.0000001),
    (Fraction(1), [6, 10, 15], 10**4, 0, 100.0000001),
    (Fraction(3, 2), [2, 3, 5, 7], 10**4, 0, 10.0000001),
    (Fraction(3, 2), [2, 3, 7], 10**5, 0, 1300.0000001),
    (Fraction(7, 6), [2, 3, 5, 7, 11], 3000, 0.5, 40.0000001),
    (Fraction(5, 4), [6, 10, 15], 10**3, 0, 200.0000001),
    (Fraction(11, 8), [2, 3, 5, 7, 11], 10**3, 0, 1500.0000001),
]


def main():
    program = sys.argv[1]
    failures = 0
    for target, factors, bound, low, high in CASES:
        want = expected(target, factors, bound, low, high)
        got = listed(program, target, factors, bound, low, high)
        if want != got:
            failures += 1
            print(f"{target} {factors} {bound} ({low}, {high}): missing {sorted(want - got)[:5]}, "
                  f"extra {sorted(got - want)[:5]} ({len(want)} expected)")
        elif not want:
            failures += 1
            print(f"{target} {factors} {bound}: an empty list proves nothing")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
