#!/usr/bin/env bash
# Lets the active session's user read keyboards, mice and touchpads, write
# /dev/uinput and open Logitech hidraw nodes: installs the udev rule, has the
# uinput module loaded at every start, loads it now, and applies the rule to
# the devices present.
# An optional first argument names a root to install under instead of /; the
# running system is then left alone.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:-}"
root="${root%/}"
if [ -z "$root" ] && [ "$(id -u)" -ne 0 ]; then
  echo "installing the rule needs root: run sudo $0" >&2
  exit 1
fi
install -D -m 0644 "$here/resources/udev/70-corvadine-input.rules" "$root/etc/udev/rules.d/70-corvadine-input.rules"
install -d -m 0755 "$root/etc/modules-load.d"
printf 'uinput\n' >"$root/etc/modules-load.d/corvadine-uinput.conf"
chmod 0644 "$root/etc/modules-load.d/corvadine-uinput.conf"
echo "installed $root/etc/udev/rules.d/70-corvadine-input.rules and $root/etc/modules-load.d/corvadine-uinput.conf"
[ -z "$root" ] || exit 0
if ! modprobe uinput 2>/dev/null; then
  echo "the uinput module could not be loaded now; it loads at the next start" >&2
fi
if udevadm control --reload 2>/dev/null; then
  udevadm trigger --subsystem-match=input --subsystem-match=misc --subsystem-match=hidraw
  udevadm settle 2>/dev/null || true
  echo "udev applied the rule; start Corvadine again"
else
  echo "udev is not running: the rule applies at the next start" >&2
fi
