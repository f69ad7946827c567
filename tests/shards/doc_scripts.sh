# Helpers of the tests that run the documentation's scripts as they stand (sourced).

# doc_code_block FILE N: prints the Nth ```bash block of a Markdown file.
doc_code_block() {
  awk -v n="$2" '/^```bash$/ { i++; inside = (i == n); next } /^```$/ { inside = 0 } inside' "$1"
}

# The search the documentation's scripts run, which the tests also run whole to compare.
doc_search=(1/1 1e16 6 900 -2 0 0.1 --limit=19)

# work_with_program RATIOHUNT: moves into a scratch folder, removed on exit, with the
# program on the PATH as `ratiohunt`, as the scripts call it.
work_with_program() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir "$work/bin"
  ln -s "$1" "$work/bin/ratiohunt"
  export PATH="$work/bin:$PATH"
  cd "$work"
}
