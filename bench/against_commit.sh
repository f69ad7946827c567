#!/usr/bin/env bash
# Times the program against the program as built from another commit (92a6c89 unless
# told otherwise), in one run with interleaved repetitions, and prints each search's
# times and their ratio. The other commit is checked out in a git worktree under build/
# and built there once; both programs must print the same bytes.
#
#   bench/against_commit.sh [-c COMMIT] [-r REPEATS] [-s SET] [-- extra options]
#
# SET is "issue" (the comma searches of the 23- and 31-limit, default), "table" (the
# benchmark table's six searches, each with --threads=1 and --threads=2) or "all".
set -euo pipefail
cd "$(dirname "$0")/.."

commit=92a6c89
repeats=3
set_name=issue
while getopts "c:r:s:" option; do
  case $option in
    c) commit=$OPTARG ;;
    r) repeats=$OPTARG ;;
    s) set_name=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ "${1-}" = "--" ] && shift
extra=("$@")

new=build/release/ratiohunt
if [ ! -x "$new" ]; then
  cmake --preset release >/dev/null && cmake --build --preset release --target ratiohunt >/dev/null
fi
old_tree=build/against-$commit
old=$old_tree/build/ratiohunt
if [ ! -x "$old" ]; then
  [ -d "$old_tree" ] || git worktree add --detach "$old_tree" "$commit" >/dev/null
  cmake -S "$old_tree" -B "$old_tree/build" -DCMAKE_BUILD_TYPE=Release -DRATIOHUNT_TESTS=OFF >/dev/null
  cmake --build "$old_tree/build" --target ratiohunt -j2 >/dev/null
fi

primes31="2 3 5 7 11 13 17 19 23 29 31"
issue_searches=(
  "31-limit commas under 1 cent, 1e8|1 1 1e8 6 100000 -2 0 1 $primes31"
  "31-limit commas under 1 cent, 1e9|1 1 1e9 6 100000 -2 0 1 $primes31"
  "23-limit commas under 0.5 cent, 1e12|1 1 1e12 6 100000 -2 0 0.5 2 3 5 7 11 13 17 19 23"
)
table_searches=()
for threads in 1 2; do
  table_searches+=(
    "13-limit commas below 1 cent, $threads thread(s)|--threads=$threads 1 1 1e12 5 1000 -2 0 1 2 3 5 7 11 13"
    "7/6 in the 19-limit without 7, $threads thread(s)|--threads=$threads 7 6 1e9 5 1000 -1 2 3 5 11 13 17 19"
    "13-limit commas below 10 cents, $threads thread(s)|--threads=$threads 1 1 1e8 5 1000 -2 0 10 2 3 5 7 11 13"
    "19-limit commas, $threads thread(s)|--threads=$threads 1 1 1e12 6 100000 -2 0 1 2 3 5 7 11 13 17 19"
    "11/8 without 11, $threads thread(s)|--threads=$threads 11 8 1e13 6 100000 -1 2 3 5 7 13 17 19 23"
    "29-limit commas, $threads thread(s)|--threads=$threads 1 1 1e7 6 100000 -2 0 1 2 3 5 7 11 13 17 19 23 29"
  )
done
case $set_name in
  issue) searches=("${issue_searches[@]}") ;;
  table) searches=("${table_searches[@]}") ;;
  all) searches=("${issue_searches[@]}" "${table_searches[@]}") ;;
  *) echo "unknown set: $set_name" >&2; exit 2 ;;
esac

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Wall seconds of one run, its output to a file; the peak memory in kB goes to $2.
time_run() {  # time_run PROGRAM MEMORY_FILE OUTPUT_FILE ARGS...
  local program=$1 memory=$2 output=$3
  shift 3
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f %M -o "$memory" "$program" "$@" </dev/null >"$output"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

printf '%-48s %10s %10s %8s %9s %9s\n' search "$commit s" "now s" ratio "old MB" "now MB"
for entry in "${searches[@]}"; do
  name=${entry%%|*}
  read -r -a args <<<"${entry#*|}"
  old_total=0 new_total=0 old_memory=0 new_memory=0
  for ((i = 0; i < repeats; ++i)); do
    # Interleaved, and in alternating order, so that a busy stretch weighs on both.
    if ((i % 2 == 0)); then order="old new"; else order="new old"; fi
    for which in $order; do
      if [ "$which" = old ]; then
        t=$(time_run "$old" "$scratch/memory" "$scratch/old.out" "${args[@]}" "${extra[@]}")
        old_total=$(echo "$old_total + $t" | bc -l)
        old_memory=$(cat "$scratch/memory")
      else
        t=$(time_run "$new" "$scratch/memory" "$scratch/new.out" "${args[@]}" "${extra[@]}")
        new_total=$(echo "$new_total + $t" | bc -l)
        new_memory=$(cat "$scratch/memory")
      fi
    done
    # The time-out line and the elapsed seconds differ from run to run; the rest may not.
    if ! cmp -s <(grep -v -e secs -e 'time out' "$scratch/old.out") <(grep -v -e secs -e 'time out' "$scratch/new.out"); then
      echo "the two programs print different results for: $name" >&2
      exit 1
    fi
  done
  printf '%-48s %10.3f %10.3f %8.1f %9.1f %9.1f\n' "$name" "$(echo "$old_total / $repeats" | bc -l)" \
    "$(echo "$new_total / $repeats" | bc -l)" "$(echo "$old_total / $new_total" | bc -l)" \
    "$(echo "$old_memory / 1024" | bc -l)" "$(echo "$new_memory / 1024" | bc -l)"
done
