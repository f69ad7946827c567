#!/usr/bin/env python3
"""Scales made just, checked against exact arithmetic: for each degree, every reduced n/d
of the basis with n, d up to the max term is enumerated with Python's fractions, and the
one of least Tenney height (n * d) within the closed window, the closer on a tie, must be
the program's. Usage: check_scale_facts.py RATIOHUNT"""
import bisect
import json
import math
import subprocess
import sys
from fractions import Fraction


def smooth_numbers(basis, limit):
    """Every product of powers of the basis elements up to limit."""
    numbers = {1}
    frontier = [1]
    while frontier:
        grown = []
        for n in frontier:
            for b in basis:
                if b > 1 and n * b <= limit and n * b not in numbers:
                    numbers.add(n * b)
                    grown.append(n * b)
        frontier = grown
    return sorted(numbers)


def cents(ratio):
    return 1200 * math.log2(ratio.numerator / ratio.denominator) if isinstance(ratio, Fraction) else ratio


def least_height(target_cents, exact_target, terms, max_term, within):
    """The reduced ratio the rules choose for one degree, or None. For each numerator the
    denominators that could lie in the window are found by bisection, then tested exactly;
    numerators stop once no denominator could make a ratio lower than the best."""
    best = None
    edge = 2 ** (within / 1200) * (1 + 1e-9)
    target = 2 ** (target_cents / 1200)
    for n in terms:
        if best is not None and n * (n / target / edge) > best[0][0]:
            break  # every later n makes a taller ratio than the best
        first = bisect.bisect_left(terms, n / target / edge)
        last = bisect.bisect_right(terms, n / target * edge)
        for d in terms[first:last]:
            if n == d or (best is not None and n * d > best[0][0]) or math.gcd(n, d) != 1:
                continue
            exact = exact_target is not None and n * exact_target.denominator == d * exact_target.numerator
            distance = 0.0 if exact else 1200 * (math.log(n) - math.log(d)) / math.log(2) - target_cents
            if abs(distance) > within:
                continue
            key = (n * d, abs(distance))
            if best is None or key < best[0]:
                best = (key, Fraction(n, d))
    return None if best is None else best[1]


def program_degrees(binary, args):
    out = subprocess.run([binary, "scale", *args, "--format=json"], check=True, capture_output=True, text=True).stdout
    records = [json.loads(line) for line in out.splitlines()]
    assert records[-1]["type"] == "scale", records[-1]
    return [r for r in records if r["type"] == "degree"]


def check(binary, args, targets, basis, max_term, within, expected=None):
    """targets: each degree as a Fraction (exact) or a float of cents."""
    degrees = program_degrees(binary, args)
    assert len(degrees) == len(targets), (args, len(degrees))
    chosen = []
    terms = smooth_numbers(basis, max_term)
    for degree, target in zip(degrees, targets):
        exact = target if isinstance(target, Fraction) else None
        want = least_height(cents(target), exact, terms, max_term, within)
        got = Fraction(int(degree["numerator"]), int(degree["denominator"])) if degree["just"] else None
        if got != want:
            sys.exit(f"scale {' '.join(args)}: degree {degree['degree']} is {got}, exact arithmetic says {want}")
        chosen.append(got)
    if expected is not None and chosen != expected:
        sys.exit(f"scale {' '.join(args)}: {chosen} is not {expected}")


def equal_division(n, equave=Fraction(2)):
    degrees = [cents(equave) * k / n for k in range(1, n)]
    return degrees + [equave]


def main():
    binary = sys.argv[1]
    twelve = [Fraction(s) for s in "16/15 9/8 6/5 5/4 4/3 45/32 3/2 8/5 5/3 9/5 15/8 2/1".split()]
    check(binary, ["--edo=12", "--within=20", "--max-term=100"], equal_division(12), [2, 3, 5], 100, 20, twelve)
    check(binary, ["--edo=19", "--limit=7", "--within=10"], equal_division(19), [2, 3, 5, 7], 1000, 10)
    check(binary, ["--edo=10", "--subgroup=2.3.7", "--within=25", "--max-term=300"], equal_division(10), [2, 3, 7],
          300, 25)
    check(binary, ["--edo=13<3>", "--subgroup=3.5.7", "--within=15", "--max-term=500"],
          equal_division(13, Fraction(3)), [3, 5, 7], 500, 15)
    given = ["150c", "333.3c", "498c", "703.5c", "1050c", "1200c"]
    check(binary, given + ["--limit=11", "--within=12"], [float(c[:-1]) for c in given], [2, 3, 5, 7, 11], 1000, 12)
    # Bounds that deepen: best ratios higher than the first bound of 16 and than 256 (whose
    # terms are within it), degrees found only deep or not at all, max terms just past a bound.
    check(binary, ["--edo=53", "--limit=13", "--within=2", "--max-term=5000"], equal_division(53),
          [2, 3, 5, 7, 11, 13], 5000, 2)
    exact = ["256/243", "243/128", "135/128", "17/16", "2/1"]
    check(binary, exact + ["--limit=17", "--within=1", "--max-term=257"], [Fraction(r) for r in exact],
          [2, 3, 5, 7, 11, 13, 17], 257, 1)
    check(binary, ["--edo=41", "--limit=5", "--within=0.5", "--max-term=65537"], equal_division(41), [2, 3, 5],
          65537, 0.5)
    # The largest: 72 steps in the 31-limit with terms up to a million.
    primes = [2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31]
    check(binary, ["--edo=72", "--limit=31", "--max-term=1e6"], equal_division(72), primes, 10**6, 15)
    print("every degree matches exact arithmetic")


if __name__ == "__main__":
    main()
