# SPDX-License-Identifier: GPL-3.0-or-later
# Debian roots kept outside the checkout, made with mmdebstrap from the
# archive the machine's apt already uses (read from its sources at run
# time, so no mirror is named here), and commands run in them in a private
# mount and PID namespace. Sourced by scripts/gimp3.sh (a Debian 13 root
# with GIMP 3) and scripts/minimal-root.sh (a Debian 12 root with only what
# the tools need). The sourcing script sets, before calling anything:
#   root         the root's folder (its parent holds the lock, the partial
#                roots and the ccache folder)
#   root_name    what messages call it ("Debian 13 root")
#   suite        the Debian suite (trixie, bookworm)
#   packages     the packages it holds (an array); its stamp lists them
#   root_hooks   more mmdebstrap options (an array, may be empty)
# and defines say MESSAGE and unavailable REASON (which exits).
stamp_name=.strandel-packages
root_hooks=("${root_hooks[@]+"${root_hooks[@]}"}")

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
  partial="$(mktemp -d "$(dirname "$root")/.$(basename "$root").partial-XXXXXX")"
  # A killed run leaves only a partial folder, which the next run removes.
  trap 'rm -rf "$partial"' EXIT
  say "making the $root_name in $root (a few minutes, once)"
  local include
  include="$(IFS=,; echo "${packages[*]}")"
  if ! mmdebstrap --quiet --variant=minbase --include="$include" \
      --aptopt='APT::Install-Recommends "false"' "${root_hooks[@]}" \
      "$suite" "$partial" "deb $address $suite main" </dev/null >&2; then
    rm -rf "$partial"
    trap - EXIT
    unavailable "mmdebstrap could not make the $root_name from $address"
  fi
  wanted_stamp >"$partial/$stamp_name"
  rm -rf "$root.old"
  [ -d "$root" ] && mv "$root" "$root.old"
  mv "$partial" "$root"
  trap - EXIT
  rm -rf "$root.old"
  for old in "$(dirname "$root")"/."$(basename "$root")".partial-*; do
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
    wanted_stamp >"$root/$stamp_name"
  else
    make_root
  fi
}

wanted_stamp() { printf '%s\n' "${packages[@]}" | sort; }
root_ready() { [ -f "$root/$stamp_name" ] && [ "$(cat "$root/$stamp_name")" = "$(wanted_stamp)" ]; }

# Every command holds a shared lock on the root while it runs (its
# processes inherit it); making or completing the root takes it exclusively,
# so a root is never changed under a running command.
prepare_root() {
  mkdir -p "$(dirname "$root")"
  exec 9>"$(dirname "$root")/.$(basename "$root").lock"
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

