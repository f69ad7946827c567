#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a scratch
# root and runs the program and its manual page from there.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
deb=$(ls "$scratch"/package/*.deb)
test "$(dpkg-deb --field "$deb" Package)" = ratiohunt
dpkg -x "$deb" "$scratch/root"
"$scratch/root/usr/bin/ratiohunt" 7 6 </dev/null > "$scratch/out.txt"
cmp "$scratch/out.txt" "$source/tests/e2e/cases/default_factors_are_five_limit.out"
test -f "$scratch/root/usr/share/man/man1/ratiohunt.1"
echo "package installs and runs: $(basename "$deb")"
