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
  libgtest-dev libgegl-dev libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev libboost-dev libmatio-dev libcli11-dev python3
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
stamp_name=.strandel-packages
wanted_stamp="$(printf '%s\n' "${packages[@]}" | sort)"

# The Debian archive the machine's apt uses (not its security archive);
# $1 is the folder apt's sources lie in.
archive_address() {
  local apt="${1:-/etc/apt}" files=() f
  [ -f "$apt/sources.list" ] && files+=("$apt/sources.list")
  for f in "$apt"/sources.list.d/*.list "$apt"/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 1
  awk '
    /^[[:space:]]*#/ { next }
    /^deb[[:space:]]/ {
      for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i !~ /\]$/) { print $i " " $(i + 1); break }
      next
    }
    /^URIs:/ { uri = $2 }
    /^Suites:/ { if (uri != "") print uri " " $2 }
    /^$/ { uri = "" }
  ' "${files[@]}" | awk '$2 !~ /-security$/ && $1 ~ /debian\/?$/ { print $1; exit }'
}

make_root() {
  command -v mmdebstrap >/dev/null || unavailable "mmdebstrap is not installed (scripts/install-deps.sh installs it)"
  command -v unshare >/dev/null || unavailable "unshare is not installed"
  local address
  address="$(archive_address)" || true
  [ -n "$address" ] || unavailable "no Debian archive found in /etc/apt/sources.list or /etc/apt/sources.list.d/"
  mkdir -p "$(dirname "$root")"
  partial="$(mktemp -d "$(dirname "$root")/.trixie-root.partial-XXXXXX")"
  # A killed run leaves only a partial folder, which the next run removes.
  trap 'rm -rf "$partial"' EXIT
  say "making the Debian 13 root in $root (a few minutes, once)"
  local include
  include="$(IFS=,; echo "${packages[*]}")"
  if ! mmdebstrap --quiet --variant=minbase --include="$include" \
      --aptopt='APT::Install-Recommends "false"' \
      trixie "$partial" "deb $address trixie main" </dev/null >&2; then
    rm -rf "$partial"
    trap - EXIT
    unavailable "mmdebstrap could not make a Debian 13 root from $address"
  fi
  echo "$wanted_stamp" >"$partial/$stamp_name"
  rm -rf "$root.old"
  [ -d "$root" ] && mv "$root" "$root.old"
  mv "$partial" "$root"
  trap - EXIT
  rm -rf "$root.old"
  for old in "$(dirname "$root")"/.trixie-root.partial-*; do
    [ -d "$old" ] && rm -rf "$old"
  done
  return 0
}

# A kept root whose stamp lacks packages gets them with apt-get; made anew
# only when that fails.
complete_root() {
  say "adding packages to $root"
  if ( in_root /bin/sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
         apt-get install -y -qq --no-install-recommends "$@" >/dev/null' sh "${packages[@]}" ) </dev/null >&2; then
    echo "$wanted_stamp" >"$root/$stamp_name"
  else
    make_root
  fi
}

root_ready() { [ -f "$root/$stamp_name" ] && [ "$(cat "$root/$stamp_name")" = "$wanted_stamp" ]; }

# Every command holds a shared lock on the root while it runs (its
# processes inherit it); making or completing the root takes it exclusively,
# so a root is never changed under a running command.
prepare() {
  native && return 0
  mkdir -p "$(dirname "$root")"
  exec 9>"$(dirname "$root")/.trixie-root.lock"
  if ! root_ready; then
    flock -n -x 9 || { say "waiting for the commands running in $root to end"; flock -x 9; }
    if [ ! -f "$root/$stamp_name" ]; then
      make_root
    elif ! root_ready; then
      complete_root
    fi
  fi
  flock -s 9
}

# Runs "$@" inside the root: private mounts of proc, sys, /dev, /dev/shm,
# /tmp (the host's, shared), the checkout at its own path and the ccache
# folder; a PID namespace of its own, so that nothing outlives the command.
# The first process of the namespace: the kernel hands it only the signals
# it has handlers for, and unshare passes SIGINT and SIGTERM on to it. It
# runs the command, and on a signal ends every process of the namespace.
# shellcheck disable=SC2016
init='
  for s in INT:130 TERM:143 HUP:129; do trap "kill -KILL -1 2>/dev/null; exit ${s#*:}" "${s%:*}"; done
  cd "$0" 2>/dev/null || cd /
  "$@" <&0 &
  wait $!
'

in_root() {
  local cache
  cache="$(dirname "$root")/ccache"
  mkdir -p "$cache"
  local cwd
  cwd="$(pwd)"
  # unshare keeps SIGINT and SIGTERM from itself; here they end it, as
  # this script's own end does (--pdeathsig), and --kill-child ends the
  # namespace with it.
  init="$init" setpriv --pdeathsig KILL unshare --mount --pid --fork --kill-child --propagation private -- /bin/bash -c '
    set -e
    root="$1" checkout="$2" cache="$3" cwd="$4"; shift 4
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
    mount --rbind /tmp "$root/tmp"
    mkdir -p "$root$checkout" "$root/var/cache/ccache"
    mount --rbind "$checkout" "$root$checkout"
    mount --bind "$cache" "$root/var/cache/ccache"
    cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
    cd "$root"
    exec chroot "$root" /usr/bin/env -i \
      PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8 \
      TERM="${TERM:-dumb}" CCACHE_DIR=/var/cache/ccache CCACHE_BASEDIR="$checkout" \
      ${STRANDEL_E2E_PICTURES:+STRANDEL_E2E_PICTURES="$STRANDEL_E2E_PICTURES"} \
      ${CTEST_OUTPUT_ON_FAILURE:+CTEST_OUTPUT_ON_FAILURE=1} \
      /bin/bash -c "$init" "$cwd" "$@"
  ' in-root "$root" "$checkout" "$cache" "$cwd" "$@" <&0 &
  local namespace=$!
  for s in INT:130 TERM:143 HUP:129; do
    # shellcheck disable=SC2064
    trap "kill -KILL $namespace 2>/dev/null; exit ${s#*:}" "${s%:*}"
  done
  wait "$namespace"
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
