#!/usr/bin/env bash
# Checks that the default thread count does not slow a search of many factors: 47-limit
# commas under 0.001 cents at max quotient 1e8, with --threads=1 and with the default, in
# interleaved runs; fails when the median with the default exceeds the median with one
# thread by more than a tolerant factor (the machine may be shared). Prints both medians.
#
#   bench/threads_check.sh [RATIOHUNT [REPEATS [FACTOR]]]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/release/ratiohunt}
repeats=${2:-5}
factor=${3:-1.5}
search=(1 1 1e8 6 900 -2 0 0.001 2 3 5 7 11 13 17 19 23 29 31 37 41 43 47 --no-wait)

seconds() {  # seconds ARGS...: the run's wall-clock seconds, output to /dev/null
  local start end
  start=$(date +%s.%N)
  "$program" "$@" </dev/null >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one=()
default=()
for ((i = 0; i < repeats; ++i)); do
  one+=("$(seconds "${search[@]}" --threads=1)")
  default+=("$(seconds "${search[@]}")")
done
one_median=$(printf '%s\n' "${one[@]}" | median)
default_median=$(printf '%s\n' "${default[@]}" | median)
printf 'one thread %.3f s, default threads %.3f s (ratio %.2f; load %s)\n' "$one_median" "$default_median" \
  "$(echo "$default_median / $one_median" | bc -l)" "$(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$(echo "$default_median > $factor * $one_median + 0.05" | bc -l)" = 1 ]; then
  echo "the default threads are slower than one thread by more than $factor times" >&2
  exit 1
fi
