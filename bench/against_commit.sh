#!/usr/bin/env bash
# Times the search against the search as built from another commit (24643ca unless told
# otherwise), in one run with interleaved repetitions, and prints the ratios. The other
# commit is checked out in a git worktree under build/ and built there once.
#
#   bench/against_commit.sh [-c COMMIT] [-r REPEATS] [-s SET]
#
# SET "issue" (default): the 23- and 31-limit comma searches as whole processes, output
# to a file (both must print the same bytes): wall-clock and CPU seconds, peak memory.
# SET "table": the benchmark table's six searches the same way, with --threads=1 and 2.
# SET "many": the 37- to 47-limit searches and an output-heavy one, with --threads=1 and 2.
# SET "records": 41-limit commas under 1 cent at 1e10 (two million records), as text and as
# JSON, with the default threads.
# SET "bench": the benchmark table's searches inside the process (search_bench's
# BM_OneThread and BM_TwoThreads 0 to 5, and the whole run of `ratiohunt 7 6`), for the
# short ones that a process cannot time.
# Every time shown is the median of the repetitions.
set -euo pipefail
cd "$(dirname "$0")/.."

commit=24643ca
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

old_tree=build/against-$commit
[ -d "$old_tree" ] || git worktree add --detach "$old_tree" "$commit" >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Builds target in the build folder of both trees: ours by its preset, the other's alike.
build_both() {  # build_both PRESET TARGET
  local preset=$1 target=$2
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target "$target" >/dev/null
  local options=(-DCMAKE_BUILD_TYPE=Release -DRATIOHUNT_TESTS=OFF)
  [ "$preset" = bench ] && options+=(-DRATIOHUNT_BENCH=ON)
  cmake -S "$old_tree" -B "$old_tree/build/$preset" "${options[@]}" >/dev/null
  cmake --build "$old_tree/build/$preset" --target "$target" -j2 >/dev/null
}

ratio() { echo "$1 / $2" | bc -l; }
# The median of the numbers given (the lower middle one of an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One run, its output to a file: prints its wall seconds, its CPU seconds (user and system)
# and its peak memory in kB.
time_run() {  # time_run PROGRAM OUTPUT_FILE ARGS...
  local program=$1 output=$2
  shift 2
  local start end user system memory
  # The previous run's output goes before the clock starts: truncating hundreds of
  # megabytes of it when the shell opens the file is not the program's time.
  rm -f "$output"
  start=$(date +%s.%N)
  /usr/bin/time -f "%U %S %M" -o "$scratch/time" "$program" "$@" </dev/null >"$output"
  end=$(date +%s.%N)
  read -r user system memory <"$scratch/time"
  echo "$(echo "$end - $start" | bc -l) $(echo "$user + $system" | bc -l) $memory"
}

# Whole processes: each search run by both programs in turn, in alternating order so that
# a busy stretch of the machine weighs on both alike.
time_processes() {  # time_processes 'NAME|ARGS'...
  build_both release ratiohunt
  local -A programs=([old]="$old_tree/build/release/ratiohunt" [new]=build/release/ratiohunt)
  echo "each search $repeats times, the two programs interleaved; median seconds per run, peak memory"
  printf '%-46s %9s %9s %7s %9s %9s %7s %7s %7s\n' search "old wall" "now wall" ratio "old CPU" "now CPU" ratio \
    "old MB" "now MB"
  local entry
  for entry in "$@"; do
    local name=${entry%%|*} args
    read -r -a args <<<"${entry#*|}"
    local -a old_wall=() new_wall=() old_cpu=() new_cpu=()
    declare -A memory=([old]=0 [new]=0)
    local i which order w c m
    for ((i = 0; i < repeats; ++i)); do
      if ((i % 2 == 0)); then order="old new"; else order="new old"; fi
      for which in $order; do
        read -r w c m < <(time_run "${programs[$which]}" "$scratch/$which.out" "${args[@]}")
        if [ "$which" = old ]; then old_wall+=("$w") old_cpu+=("$c"); else new_wall+=("$w") new_cpu+=("$c"); fi
        if ((m > memory[$which])); then memory[$which]=$m; fi
      done
      # The elapsed seconds differ from run to run; nothing else may.
      if ! cmp -s <(grep -v -e secs "$scratch/old.out" | sed -E "s/\"seconds\":[^,}]*//") \
        <(grep -v -e secs "$scratch/new.out" | sed -E "s/\"seconds\":[^,}]*//"); then
        echo "the two programs print different results for: $name" >&2
        exit 1
      fi
    done
    local ow nw oc nc
    ow=$(median "${old_wall[@]}") nw=$(median "${new_wall[@]}") oc=$(median "${old_cpu[@]}") nc=$(median "${new_cpu[@]}")
    printf '%-46s %9.3f %9.3f %7.2f %9.3f %9.3f %7.2f %7.1f %7.1f\n' "$name" "$ow" "$nw" "$(ratio "$ow" "$nw")" \
      "$oc" "$nc" "$(ratio "$oc" "($nc + 0.001)")" "$(ratio "${memory[old]}" 1024)" "$(ratio "${memory[new]}" 1024)"
  done
}

# Inside the process: both search_bench programs on the same benchmarks, in turn.
time_in_process() {
  build_both bench search_bench
  local -A programs=([old]="$old_tree/build/bench/bench/search_bench" [new]=build/bench/bench/search_bench)
  # Each benchmark by both programs in turn, in alternating order: the machine's speed drifts
  # over the seconds a whole set takes, so old and new are timed side by side.
  local filters=() i which filter order
  for i in 0 1 2 3 4 5; do filters+=("^BM_OneThread/$i/" "^BM_TwoThreads/$i/"); done
  filters+=('^BM_WholeRun')
  for ((i = 0; i < repeats; ++i)); do
    if ((i % 2 == 0)); then order="old new"; else order="new old"; fi
    for filter in "${filters[@]}"; do
      for which in $order; do
        "${programs[$which]}" --benchmark_filter="$filter" --benchmark_min_time=0.3 --benchmark_format=csv 2>/dev/null |
          grep '^"BM_' | cut -d, -f1,3 | tr -d '"' | sed "s/^/$which,/" >>"$scratch/times.csv"
      done
    done
  done
  echo "search_bench, $repeats runs of each program interleaved: milliseconds per search (median)"
  printf "%-32s %9s %9s %7s\n" benchmark "old ms" "now ms" ratio
  sort -t, -k2,2 -k1,1 -k3,3g "$scratch/times.csv" |
    awk -F, '{ key = $2 "," $1; v[key, ++count[key]] = $3; names[$2] = 1 }
      function median(key) { return v[key, int((count[key] + 1) / 2)] }
      END {
        for (name in names) {
          old = median(name ",old"); now = median(name ",new")
          printf "%-32s %9.2f %9.2f %7.2f\n", name, old, now, old / now
        }
      }' | sort
}

primes31="2 3 5 7 11 13 17 19 23 29 31"
case $set_name in
  issue)
    time_processes "31-limit commas under 1 cent, 1e8|1 1 1e8 6 100000 -2 0 1 $primes31" \
      "31-limit commas under 1 cent, 1e9|1 1 1e9 6 100000 -2 0 1 $primes31" \
      "23-limit commas under 0.5 cent, 1e12|1 1 1e12 6 100000 -2 0 0.5 2 3 5 7 11 13 17 19 23"
    ;;
  table)
    searches=()
    for threads in 1 2; do
      searches+=(
        "13-limit commas below 1 cent, threads $threads|--threads=$threads 1 1 1e12 5 1000 -2 0 1 2 3 5 7 11 13"
        "7/6 in the 19-limit without 7, threads $threads|--threads=$threads 7 6 1e9 5 1000 -1 2 3 5 11 13 17 19"
        "13-limit commas below 10 cents, threads $threads|--threads=$threads 1 1 1e8 5 1000 -2 0 10 2 3 5 7 11 13"
        "19-limit commas, threads $threads|--threads=$threads 1 1 1e12 6 100000 -2 0 1 2 3 5 7 11 13 17 19"
        "11/8 without 11, threads $threads|--threads=$threads 11 8 1e13 6 100000 -1 2 3 5 7 13 17 19 23"
        "29-limit commas, threads $threads|--threads=$threads 1 1 1e7 6 100000 -2 0 1 2 3 5 7 11 13 17 19 23 29"
      )
    done
    time_processes "${searches[@]}"
    ;;
  many)
    primes47="$primes31 37 41 43 47"
    searches=()
    for threads in 1 2; do
      searches+=(
        "37-limit commas under 0.001 cent, threads $threads|--threads=$threads 1 1 1e8 6 900 -2 0 0.001 $primes31 37"
        "41-limit commas under 0.001 cent, threads $threads|--threads=$threads 1 1 1e8 6 900 -2 0 0.001 $primes31 37 41"
        "43-limit commas under 0.001 cent, threads $threads|--threads=$threads 1 1 1e8 6 900 -2 0 0.001 $primes31 37 41 43"
        "47-limit commas under 0.001 cent, threads $threads|--threads=$threads 1 1 1e8 6 900 -2 0 0.001 $primes47"
        "11/8 without 11 in the 47-limit, threads $threads|--threads=$threads 11 8 1e10 6 900 -1 2 3 5 7 13 17 19 23 29 31 37 41 43 47"
        "41-limit commas under 1 cent as JSON, threads $threads|--threads=$threads --format=json 1 1 1e8 6 900 -2 0 1 $primes31 37 41"
      )
    done
    time_processes "${searches[@]}"
    ;;
  records)
    primes41="$primes31 37 41"
    time_processes "41-limit commas under 1 cent, 1e10, text|1 1 1e10 6 900 -2 0 1 $primes41" \
      "41-limit commas under 1 cent, 1e10, JSON|--format=json 1 1 1e10 6 900 -2 0 1 $primes41"
    ;;
  bench) time_in_process ;;
  *) echo "unknown set: $set_name" >&2; exit 2 ;;
esac
