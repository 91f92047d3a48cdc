#!/usr/bin/env bash
# Runs a command as the owner of this checkout: as root only in root's own,
# so that root leaves no files of its own in another user's. An owner without
# a user name (a container's bind mount) is switched to by its uid and gid,
# with no other group and a home of its own in the checkout's build-home.
set -euo pipefail
checkout="$(cd "$(dirname "$0")/.." && pwd)"
read -r uid gid <<<"$(stat -c '%u %g' "$checkout")"
if [ "$(id -u)" -ne 0 ] || [ "$uid" = 0 ]; then
  exec "$@"
fi
if owner=$(getent passwd "$uid"); then
  exec runuser -u "${owner%%:*}" -- env -u XDG_RUNTIME_DIR "$@"
fi
exec setpriv --reuid="$uid" --regid="$gid" --clear-groups -- env -u XDG_RUNTIME_DIR -u USER -u LOGNAME \
  HOME="$checkout/build-home" sh -c 'mkdir -p "$HOME" && exec "$@"' sh "$@"
