#!/usr/bin/env bash
# Runs a command as the owner of this checkout: as root only in root's own,
# so that root leaves no files of its own in another user's.
set -euo pipefail
owner=$(stat -c %U "$(dirname "$0")/..")
if [ "$(id -u)" -ne 0 ] || [ "$owner" = root ]; then
  exec "$@"
fi
exec runuser -u "$owner" -- env -u XDG_RUNTIME_DIR "$@"
