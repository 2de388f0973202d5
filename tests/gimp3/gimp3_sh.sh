#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/gimp3.sh's reading of apt's sources, which names the archive its
# Debian 13 root comes from: one-line and deb822 files, options in
# brackets, comments, and the security archive passed over. Needs no root.
# Usage: gimp3_sh.sh
set -u
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=../../scripts/gimp3.sh
. "$here/../../scripts/gimp3.sh"
dir="$(mktemp -d "${TMPDIR:-/tmp}/strandel-gimp3-sh-XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
failures=0
expect() {  # NAME WANTED: archive_address of $dir/NAME gives WANTED
  local got
  got="$(archive_address "$dir/$1")"
  [ "$got" = "$2" ] || { echo "FAIL: $1: '$got', expected '$2'" >&2; failures=$((failures + 1)); }
}

mkdir -p "$dir/one-line/sources.list.d"
cat >"$dir/one-line/sources.list" <<'S'
# deb http://commented.example/debian bookworm main
deb http://security.example/debian-security bookworm-security main
deb [arch=amd64 signed-by=/usr/share/keyrings/k.gpg] http://mirror.example/debian bookworm main contrib
S
expect one-line http://mirror.example/debian

mkdir -p "$dir/deb822/sources.list.d"
cat >"$dir/deb822/sources.list.d/debian.sources" <<'S'
Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

Types: deb
# a comment inside a stanza
URIs: http://mirror.example/debian/
Suites: bookworm bookworm-updates
Components: main
S
cat >"$dir/deb822/sources.list.d/other.list" <<'S'
deb https://packages.example.com/apt cloud-sdk main
S
expect deb822 http://mirror.example/debian/

mkdir -p "$dir/none/sources.list.d"
echo "deb https://packages.example.com/apt cloud-sdk main" >"$dir/none/sources.list"
expect none ""

[ "$failures" -eq 0 ] || exit 1
echo "gimp3.sh: the Debian archive is read from one-line and deb822 sources"
