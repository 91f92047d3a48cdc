#!/usr/bin/env bash
# Installs the Debian packages missing for a use: "run" builds and runs the
# program, "test" (the default) also builds and runs the tests, benchmarks and
# fuzz harnesses. Installing needs root, or sudo; sudo is asked for a password
# only on a terminal.
set -euo pipefail
run=(cmake g++ ninja-build pkg-config libplist-dev qt6-base-dev libgl-dev
     libudev-dev libevdev-dev libxcb1-dev libx11-dev libxres-dev libxext-dev libglib2.0-dev
     qt6-wayland libwayland-dev libxkbcommon-dev libxcb-xfixes0-dev)
test=(libgtest-dev libgmock-dev libbenchmark-dev libinput-dev libxtst-dev
      umockdev libumockdev-dev python3-dbusmock dbus-daemon
      clang libclang-rt-dev python3 xvfb openbox x11-xkb-utils libglib2.0-bin
      sway xwayland x11-xserver-utils kwin-wayland gnome-shell foot util-linux gnome-shell-common gnome-shell-extension-appindicator waybar grim xcompmgr)
case "${1:-test}" in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && { sudo -n true 2>/dev/null || [ -t 0 ]; }; then
    echo "installing them with sudo"
    sudo_cmd=(sudo)
  else
    echo "installing packages needs root or sudo; as root, run:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
