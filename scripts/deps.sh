#!/usr/bin/env bash
# Installs the Debian packages that building (and, with --tests, testing) needs.
# Quick when everything is there already: apt is only run for missing packages.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-svg-dev fonts-dejavu-core
          libgtest-dev libgmock-dev libbenchmark-dev)
if [[ "${1:-}" == "--tests" ]]; then
    # xvfb + a small window manager, a session bus and the accessibility bus for the black-box
    # desktop suite (driven from Debian's python3 through pyatspi); clang's fuzzer runtime.
    packages+=(xvfb xauth jwm xdotool dbus-x11 at-spi2-core python3 python3-pyatspi
               gir1.2-atspi-2.0 clang libclang-rt-14-dev)
    # Building and checking the Debian package.
    packages+=(dpkg-dev lintian desktop-file-utils appstream)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
