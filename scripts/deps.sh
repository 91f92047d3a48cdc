#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
set -euo pipefail
packages=(cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libplist-dev qt6-base-dev libgl-dev
          libudev-dev libevdev-dev libinput-dev umockdev libumockdev-dev python3-dbusmock dbus-daemon libxcb1-dev
          clang libclang-rt-dev python3
          libx11-dev libxres-dev libxext-dev libxtst-dev xvfb openbox x11-xkb-utils
          libglib2.0-dev libglib2.0-bin
          sway kwin-wayland qt6-wayland util-linux
          gnome-shell foot)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
