#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there:
# the program, which answers --version without a terminal, and a manual
# page that groff renders without a single warning.
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/sortwell"
page="$prefix/share/man/man1/sortwell.1.gz"
test -f "$page"

"$prefix/bin/sortwell" --version </dev/null | grep -q '^sortwell [0-9]'

warnings=$(zcat "$page" | groff -t -man -Tutf8 -ww -z 2>&1)
if [ -n "$warnings" ]; then
  echo "manual page warnings:"; echo "$warnings"; exit 1
fi
rendered=$(MANWIDTH=80 man -l "$page" 2>&1)
for heading in NAME SYNOPSIS DESCRIPTION FILES "RECORD FORMAT" "EXIT STATUS"; do
  grep -q "^$heading" <<<"$rendered" || { echo "manual page lacks $heading"; exit 1; }
done
echo "1 passed, 0 failed"
