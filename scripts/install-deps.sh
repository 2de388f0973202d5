#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, with apt-get, the Debian packages the project needs that are not
# installed yet. Runs without standard input; needs root (or sudo).
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  ninja-build ccache
  libgtest-dev libbenchmark-dev
  gimp libgimp2.0-dev libgtk2.0-dev libgegl-dev
  python3 xvfb xauth x11-apps xdotool dbus-x11 at-spi2-core libatk-adaptor libgail-common python3-pyatspi
  slurm-wlm munge parallel
  libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev chromium chromium-driver python3-selenium
  libmatio-dev libboost-dev libcli11-dev nlohmann-json3-dev
  python3-numpy python3-scipy python3-sklearn python3-skimage python3-networkx
)

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
