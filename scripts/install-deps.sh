#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, with apt-get, the Debian packages the project needs that are not
# installed yet. Runs without standard input; needs root (or sudo).
#
#   scripts/install-deps.sh [GROUP]...
#
# Groups (default: every one, what development and ./test.sh need):
#   tools     the command-line tools and the Python module, and no more: a
#             compiler, CMake, pkg-config, libpng, CLI11, nlohmann-json,
#             Boost's headers, pybind11 and numpy
#   formats   the readers of JPEG, TIFF, GIF, MATLAB files and GEGL's
#   plugins   GIMP and what its plug-ins build against
#   tests     GoogleTest, Google Benchmark, Xvfb and the accessibility bus,
#             the Python peers of the measures' tests, clang, mmdebstrap
#   browser   Chromium and its driver, for the report page's test
#   cluster   Slurm, munge and GNU parallel, for the cluster tests
set -euo pipefail

# Debian 12 ships GIMP 2.10 (the GIMP 3 plug-ins are built and tested in
# the Debian 13 root that scripts/gimp3.sh makes with mmdebstrap); Debian 13
# and later ship GIMP 3.0, whose plug-ins are then built here.
. /etc/os-release
bookworm=no
[ "${VERSION_CODENAME:-}" = bookworm ] && bookworm=yes

# group_packages GROUP: the group's packages, one a word.
group_packages() {
  case $1 in
    tools)
      echo g++ make cmake pkg-config libpng-dev libcli11-dev nlohmann-json3-dev libboost-dev \
        python3 python3-dev pybind11-dev python3-numpy ;;
    formats)
      echo libjpeg62-turbo-dev libtiff-dev libgif-dev libgegl-dev libmatio-dev ;;
    plugins)
      if [ "$bookworm" = yes ]; then echo gimp libgimp2.0-dev libgtk2.0-dev; else echo gimp libgimp-3.0-dev; fi ;;
    tests)
      echo build-essential ninja-build ccache libgtest-dev libbenchmark-dev python3-pytest \
        xvfb xauth x11-apps xdotool dbus-x11 at-spi2-core python3-pyatspi \
        python3-scipy python3-sklearn python3-skimage python3-networkx
      if [ "$bookworm" = yes ]; then
        echo clang libclang-rt-14-dev libatk-adaptor libgail-common mmdebstrap
      else
        echo dbus
      fi ;;
    browser)
      echo chromium chromium-driver python3-selenium ;;
    cluster)
      echo slurm-wlm munge parallel ;;
    *)
      echo "install-deps.sh: no group '$1' (tools, formats, plugins, tests, browser, cluster)" >&2
      return 1 ;;
  esac
}

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(tools formats plugins tests browser cluster)
packages=()
for group in "${groups[@]}"; do
  list=$(group_packages "$group") || exit 2
  read -r -a words <<<"$(echo $list)"
  packages+=("${words[@]}")
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq </dev/null
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >/dev/null
