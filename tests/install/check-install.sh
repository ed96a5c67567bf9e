#!/usr/bin/env bash
# `make install` with PREFIX and DESTDIR, then `make uninstall`: what lands
# is the stripped program, which answers --version without a terminal, the
# copyright file and a manual page that groff renders without a warning; the
# uninstall takes back exactly that. Run as root (sudo make install), it
# leaves nothing of root's in the build tree.
set -euo pipefail
source_dir=$1 build_dir=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=/opt/sortwell-check

make -s -C "$source_dir" install BUILD="$build_dir" PREFIX="$prefix" DESTDIR="$stage" >/dev/null
root="$stage$prefix"
test -x "$root/bin/sortwell"
if readelf -S "$root/bin/sortwell" | grep -q '\.debug_info'; then echo "installed binary is not stripped"; exit 1; fi
grep -q '^License: GPL-3.0-or-later' "$root/share/doc/sortwell/copyright"
page="$root/share/man/man1/sortwell.1.gz"
"$root/bin/sortwell" --version </dev/null | grep -q '^sortwell [0-9]'

warnings=$(zcat "$page" | groff -t -man -Tutf8 -ww -z 2>&1)
if [ -n "$warnings" ]; then
  echo "manual page warnings:"; echo "$warnings"; exit 1
fi
rendered=$(MANWIDTH=80 man -l "$page" 2>&1)
for heading in NAME SYNOPSIS DESCRIPTION FILES "RECORD FORMAT" "EXIT STATUS" LICENSE; do
  grep -q "^$heading" <<<"$rendered" || { echo "manual page lacks $heading"; exit 1; }
done

make -s -C "$source_dir" uninstall BUILD="$build_dir" DESTDIR="$stage" >/dev/null
left=$(find "$stage" -type f)
if [ -n "$left" ]; then echo "uninstall left: $left"; exit 1; fi

# As root the tree is lent to nobody for the check (CI runs as root); as a
# user it takes sudo without a password.
owner=$(stat -c %u:%g "$build_dir")
stamp="$stage/stamp"
touch "$stamp"
if [ "$(id -u)" = 0 ]; then
  trap 'chown -R "$owner" "$build_dir"; rm -rf "$stage"' EXIT
  chown nobody:nogroup "$build_dir"
  make -s -C "$source_dir" install BUILD="$build_dir" PREFIX="$prefix" DESTDIR="$stage" >/dev/null
  expected=nobody
elif sudo -n true 2>/dev/null; then
  sudo -n make -s -C "$source_dir" install BUILD="$build_dir" PREFIX="$prefix" DESTDIR="$stage" >/dev/null
  sudo -n rm -rf "$stage/opt"
  expected=$(id -un)
else
  echo "skipped: sudo make install, which needs root or sudo without a password"
  echo "1 passed, 0 failed"; exit 0
fi
# ctest's own log is written meanwhile by whoever runs the tests.
taken=$(find "$build_dir" -path "$build_dir/Testing" -prune -o -newer "$stamp" ! -user "$expected" -print)
if [ -n "$taken" ]; then echo "sudo make install left files of root's in the build tree: $taken"; exit 1; fi
echo "2 passed, 0 failed"
