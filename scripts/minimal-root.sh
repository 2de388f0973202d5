#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a Debian 12 root that holds only what the README's
# "Building the tools alone" asks for (a minbase system plus exactly the
# packages of `scripts/install-deps.sh tools`), as the ordinary user
# "builder" (uid 1000, home /home/builder): the proof that the tools and the
# Python module build without root, GIMP, GEGL or GoogleTest.
#
#   scripts/minimal-root.sh CMD ARGS...   run CMD there as builder
#   scripts/minimal-root.sh --prepare     only make (or check) the root
#
# The root: $STRANDEL_MINIMAL_ROOT, or /var/cache/strandel/bookworm-minimal
# (run as root: mmdebstrap and the namespaces need it). It is made once, from
# the archive the machine's apt uses, in a temporary folder renamed when
# complete, and kept while its stamp (the package list) matches
# (scripts/debian-root.bash). The checkout is seen at its own path,
# read-only for builder, /tmp is shared. Exit status: the command's; 77
# when the root cannot be made.
set -euo pipefail
checkout="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

say() { echo "minimal-root.sh: $*" >&2; }
unavailable() {
  say "SKIPPED: the minimal Debian 12 root cannot be made: $*"
  exit 77
}

root="${STRANDEL_MINIMAL_ROOT:-/var/cache/strandel/bookworm-minimal}"
root_name="minimal Debian 12 root"
suite=bookworm
# Exactly the tools group of install-deps.sh.
read -r -a packages <<<"$(bash -c '. /dev/stdin; group_packages tools' <<<"$(sed -n '/^group_packages()/,/^}/p' "$checkout/scripts/install-deps.sh"); bookworm=yes")"
# The user the build runs as, made when the root is.
root_hooks=(--customize-hook='echo "builder:x:1000:1000::/home/builder:/bin/bash" >>"$1/etc/passwd";
  echo "builder:x:1000:" >>"$1/etc/group"; echo "builder:*:19000:0:99999:7:::" >>"$1/etc/shadow";
  mkdir -p "$1/home/builder" && chown 1000:1000 "$1/home/builder"')
# shellcheck source=debian-root.bash
. "$checkout/scripts/debian-root.bash"

[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
[ "$(id -u)" -eq 0 ] || unavailable "it needs root (mmdebstrap, namespaces, chroot)"
if [ $# -eq 0 ]; then
  sed -n '3,18p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
prepare_root
[ "$1" = --prepare ] && exit 0
in_root setpriv --reuid=1000 --regid=1000 --clear-groups \
  /usr/bin/env HOME=/home/builder USER=builder PATH=/home/builder/.local/bin:/usr/bin:/bin "$@"
