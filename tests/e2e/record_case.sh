#!/usr/bin/env bash
# Records a new end-to-end case from the current binary: record_case.sh BINARY NAME ARG...
# Writes tests/e2e/cases/NAME.args and NAME.out. Read the recorded output before you
# commit it: the case is only as right as that reading. Date lines and other text that
# changes between runs must be replaced by {{DATE}} or {{ANY}} by hand.
set -euo pipefail
binary=$(realpath "$1")
name=$2
shift 2
cases=$(dirname "$0")/cases
: > "$cases/$name.args"
for arg in "$@"; do printf '%s\n' "$arg" >> "$cases/$name.args"; done
"$binary" "$@" < /dev/null > "$cases/$name.out"
echo "recorded $cases/$name.out"
