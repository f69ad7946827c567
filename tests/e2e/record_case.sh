#!/usr/bin/env bash
# Records a new end-to-end case from the current binary: record_case.sh BINARY NAME ARG...
# Writes tests/e2e/cases/NAME.args and NAME.out, and NAME.err and NAME.status when the
# run wrote to stderr or exited with a status other than 0; a file the run leaves in its
# working folder becomes NAME.file.F. Read what it recorded before you commit it: the case
# is only as right as that reading. Date lines and other text that changes between runs
# must be replaced by {{DATE}} or {{ANY}} by hand. A file tests/e2e/cases/NAME.in.F written
# before recording is put in the working folder as F for the run to read.
set -uo pipefail
binary=$(realpath "$1")
name=$2
shift 2
cases=$(realpath "$(dirname "$0")/cases")
work=$(mktemp -d)
for input in "$cases/$name".in.*; do [ -e "$input" ] && cp "$input" "$work/${input#"$cases/$name".in.}"; done
: > "$cases/$name.args"
for arg in "$@"; do printf '%s\n' "$arg" >> "$cases/$name.args"; done
(cd "$work" && "$binary" "$@" < /dev/null > "$cases/$name.out" 2> "$cases/$name.err")
status=$?
[ -s "$cases/$name.err" ] || rm "$cases/$name.err"
[ "$status" -eq 0 ] || echo "$status" > "$cases/$name.status"
for file in "$work"/*; do
  [ -e "$file" ] && [ ! -e "$cases/$name.in.$(basename "$file")" ] && cp "$file" "$cases/$name.file.$(basename "$file")"
done
rm -rf "$work"
echo "recorded $cases/$name (exit status $status)"
