#!/usr/bin/env bash
# scripts/as-owner.sh in checkouts owned by root, by a named user, and by a
# uid with no user name (a container's bind mount): the command runs as the
# owner, with only its own group and without root's runtime folder; a caller
# that is not root runs it as itself. Argument: the source folder.
set -uo pipefail
[ "$(id -u)" = 0 ] || { echo "skipped: needs root"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A uid and gid no passwd or group entry names.
free=4242
while getent passwd "$free" >/dev/null || getent group "$free" >/dev/null; do free=$((free + 1)); done
report='echo "$(id -u):$(id -g):$(id -G):${XDG_RUNTIME_DIR-none}:${USER-none}:$HOME"; touch "$HOME/written" 2>/dev/null || true'
# name | owner of the checkout | caller ("root" or a uid) | expected report
for c in "root's own|0:0|root|0:0:*:/run/user/0:*" \
         "a named owner|65534:65534|root|65534:65534:65534:none:nobody:/nonexistent" \
         "an owner without a name|$free:$free|root|$free:$free:$free:none:none:CHECKOUT/build-home" \
         "not run by root|$free:$free|65534|65534:65534:65534:/run/user/0:*"; do
  IFS='|' read -r name owner caller expected <<<"$c"
  checkout="$work/${name// /-}"
  mkdir -p "$checkout/scripts" && cp "$1/scripts/as-owner.sh" "$checkout/scripts/" && chown -R "$owner" "$checkout" ||
    { fail "$name: cannot make the checkout"; continue; }
  run=("$checkout/scripts/as-owner.sh" sh -c "$report")
  [ "$caller" = root ] || run=(setpriv --reuid="$caller" --regid="$caller" --clear-groups -- "${run[@]}")
  out="$(XDG_RUNTIME_DIR=/run/user/0 USER=root HOME=/root "${run[@]}" 2>&1)" || { fail "$name: failed: $out"; continue; }
  # shellcheck disable=SC2053
  [[ "$out" == ${expected//CHECKOUT/$checkout} ]] || fail "$name: ran as \"$out\", not \"${expected//CHECKOUT/$checkout}\""
  if [ "$name" = "an owner without a name" ]; then
    [ "$(stat -c %u "$checkout/build-home/written")" = "$free" ] || fail "$name: its home is not its own"
  fi
done
[ "$failures" = 0 ] && echo "all passed"
exit $((failures > 0))
