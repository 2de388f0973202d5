#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command where GIMP 3.0 and its development files are: on a machine
# that has them (Debian 13 and later) right here, on Debian 12 inside a
# Debian 13 ("trixie") root kept outside the checkout and made on first use
# from the archive the machine's apt already uses. The checkout is seen at
# the same path inside, and /tmp is shared.
#
#   scripts/gimp3.sh CMD ARGS...         run CMD in the GIMP 3 environment
#   scripts/gimp3.sh build [TARGET...]   build the GIMP 3 plug-ins and the tools
#                                        (or the given targets) into build-gimp3/
#   scripts/gimp3.sh --prepare           only make (or check) the environment
#
# The root: $STRANDEL_GIMP3_ROOT, or /var/cache/strandel/trixie-root when run
# as root, else $XDG_CACHE_HOME/strandel/trixie-root (needs sudo). A stamp
# inside lists its packages; a kept root whose stamp differs from the list
# below gets them installed (or is made anew should that fail). A root is
# made in a temporary folder and renamed when complete, so a killed run
# never leaves half a root. Every command runs in a private
# mount and PID namespace: its mounts and processes end with it, however it
# is stopped. Exit status: the command's; 77 when the environment cannot be
# made (the reason goes to standard error).
set -euo pipefail
checkout="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${GIMP3_BUILD_DIR:-$checkout/build-gimp3}"

# What the project needs to build and test the GIMP 3 plug-ins.
packages=(
  gimp libgimp-3.0-dev g++ cmake make pkg-config ccache
  libgtest-dev libgegl-dev libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev libboost-dev libmatio-dev libcli11-dev nlohmann-json3-dev python3
  xvfb xauth x11-apps xdotool dbus dbus-x11 at-spi2-core python3-pyatspi
)

say() { echo "gimp3.sh: $*" >&2; }
unavailable() {
  say "**********************************************************************"
  say "SKIPPED: the GIMP 3 environment cannot be made: $*"
  say "nothing was run in GIMP 3"
  say "**********************************************************************"
  exit 77
}

native() { command -v gimp-console-3.0 >/dev/null && pkg-config --exists gimp-3.0 2>/dev/null; }

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "$(id -u)" -ne 0 ] && ! native; then
  command -v sudo >/dev/null || unavailable "it needs root (or sudo) to make and enter the Debian 13 root"
  exec sudo --preserve-env=STRANDEL_GIMP3_ROOT,GIMP3_BUILD_DIR,XDG_CACHE_HOME,STRANDEL_E2E_PICTURES \
    "$0" "$@"
fi

if [ -n "${STRANDEL_GIMP3_ROOT:-}" ]; then
  root="$STRANDEL_GIMP3_ROOT"
elif [ -n "${SUDO_USER:-}" ] || [ "$(id -u)" -ne 0 ]; then
  root="${XDG_CACHE_HOME:-$HOME/.cache}/strandel/trixie-root"
else
  root=/var/cache/strandel/trixie-root
fi
root_name="Debian 13 root"
suite=trixie

# shellcheck source=debian-root.bash
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/debian-root.bash"

prepare() {
  native && return 0
  prepare_root
}

run() {
  if native; then exec "$@"; fi
  in_root "$@"
  exit
}

build() {
  local targets=("$@")
  [ ${#targets[@]} -gt 0 ] || targets=(gimp3_plugins_and_tools)
  local launcher=()
  if native; then
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  else
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  local flags=()
  for t in "${targets[@]}"; do flags+=(--target "$t"); done
  run /bin/bash -c 'cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${@:4:$3}" >/dev/null &&
                    cmake --build "$2" -j"$(nproc)" "${@:$(( $3 + 4 ))}"' \
    build "$checkout" "$build_dir" "${#launcher[@]}" "${launcher[@]}" "${flags[@]}"
}

# Sourced (by its test), it only defines the functions above.
[ "${BASH_SOURCE[0]}" = "$0" ] || return 0

if [ $# -eq 0 ]; then
  sed -n '3,22p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
prepare
case "$1" in
  --prepare) exit 0 ;;
  build) shift; build "$@" ;;
  *) run "$@" ;;
esac
