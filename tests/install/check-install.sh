#!/usr/bin/env bash
# A fresh copy of the source tree where only `make run`'s build was done (no
# tests, no benchmarks): `make install` with PREFIX and DESTDIR builds what
# it installs, then `make uninstall`. What lands is the stripped program,
# which answers --version without a terminal, the copyright file, the
# changelog and a manual page that groff renders without a warning; the
# uninstall takes back exactly that. Run as root (sudo make install), it
# leaves nothing of root's in the build tree.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
stage="$work/stage"
trap 'rm -rf "$work"' EXIT
prefix=/opt/sortwell-check

# The tree as a new user has it: what git tracks, and what it would track.
tree="$work/sortwell"
mkdir -p "$tree" "$stage"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard) |
  (cd "$source_dir" && xargs -0 cp --parents -t "$tree" 2>/dev/null || true)
build_dir="$tree/build"
make -s -C "$tree" all >/dev/null

make -s -C "$tree" install PREFIX="$prefix" DESTDIR="$stage" >/dev/null
root="$stage$prefix"
test -x "$root/bin/sortwell"
if readelf -S "$root/bin/sortwell" | grep -q '\.debug_info'; then echo "installed binary is not stripped"; exit 1; fi
grep -q '^License: GPL-3.0-or-later' "$root/share/doc/sortwell/copyright"
test -s "$root/share/doc/sortwell/changelog.gz"
page="$root/share/man/man1/sortwell.1.gz"
"$root/bin/sortwell" --version </dev/null | grep -q '^sortwell [0-9]'
# The reading module, where built, is found from the installed program's place.
if [ -e "$build_dir/sortwell-reading.so" ] &&
   "$root/bin/sortwell" read "$root/share/doc/sortwell/copyright" 2>&1 | grep -q 'cannot start reading print'; then
  echo "the installed program cannot load its reading module"; exit 1
fi

warnings=$(zcat "$page" | groff -t -man -Tutf8 -ww -z 2>&1)
if [ -n "$warnings" ]; then
  echo "manual page warnings:"; echo "$warnings"; exit 1
fi
rendered=$(MANWIDTH=80 man -l "$page" 2>&1)
for heading in NAME SYNOPSIS DESCRIPTION BARCODES FILES "RECORD FORMAT" "WHEN SOMETHING FAILS" "EXIT STATUS" LICENSE; do
  grep -q "^$heading" <<<"$rendered" || { echo "manual page lacks $heading"; exit 1; }
done

make -s -C "$tree" uninstall DESTDIR="$stage" >/dev/null
left=$(find "$stage" -type f)
if [ -n "$left" ]; then echo "uninstall left: $left"; exit 1; fi

# As root the tree is lent to nobody for the check (CI runs as root); as a
# user it takes sudo without a password.
stamp="$work/stamp"
touch "$stamp"
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$tree"
  make -s -C "$tree" install PREFIX="$prefix" DESTDIR="$stage" >/dev/null
  expected=nobody
elif sudo -n true 2>/dev/null; then
  sudo -n make -s -C "$tree" install PREFIX="$prefix" DESTDIR="$stage" >/dev/null
  sudo -n rm -rf "$stage/opt"
  expected=$(id -un)
else
  echo "skipped: sudo make install, which needs root or sudo without a password"
  echo "1 passed, 0 failed"; exit 0
fi
taken=$(find "$build_dir" -newer "$stamp" ! -user "$expected" -print)
if [ -n "$taken" ]; then echo "sudo make install left files of root's in the build tree: $taken"; exit 1; fi
echo "2 passed, 0 failed"
