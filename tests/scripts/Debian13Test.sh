#!/usr/bin/env bash
# scripts/debian13.sh on chroot folders planted for it, in a /tmp of a mount
# namespace of its own: each is refused and no file of root's changes through
# their links; in a root of root's own they are replaced from inside. Argument:
# the source folder.
set -uo pipefail
[ "$(id -u)" = 0 ] || { echo "skipped: needs root"; exit 77; }
if [ -z "${IN_NS:-}" ]; then
  unshare --mount true || { echo "skipped: no mount namespace"; exit 77; }
  IN_NS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
script="$(cat "$1/scripts/debian13.sh")"
mount -t tmpfs -o mode=755 none /tmp && mkdir -p /tmp/repo/scripts /tmp/stubs || exit 1
printf '%s\n' "$script" >/tmp/repo/scripts/debian13.sh
printf '#!/bin/sh\ntouch /tmp/ran\nexit 1\n' >/tmp/stubs/debootstrap
chmod +x /tmp/repo/scripts/debian13.sh /tmp/stubs/debootstrap
echo "root's" >/tmp/secret
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
plant() {  # a finished chroot, its files linked to root's
  mkdir -p "$1"/{etc,usr/sbin,proc,sys,tmp,run,dev,mnt,root/corvadine} && touch "$1/.corvadine-debootstrap-done"
  ln -s /tmp/secret "$1/etc/resolv.conf" && ln -s /tmp/secret "$1/usr/sbin/policy-rc.d"
}
trixie() { CORV_TRIXIE="$1" PATH="/tmp/stubs:$PATH" /tmp/repo/scripts/debian13.sh "${@:2}" 2>&1; }
# name | CORV_TRIXIE | how it was planted
for c in "in a folder anyone may write|/tmp/a/t|plant /tmp/a/t; chmod 1777 /tmp/a" \
         "nobody's|/tmp/b/t|plant /tmp/b/t; chown -hR nobody /tmp/b/t" "a link on the way|/tmp/c/t|plant /tmp/d/t; ln -s d /tmp/c" \
         "a lock file of nobody's|/tmp/e/t|plant /tmp/e/t; touch /tmp/e/t.lock; chown nobody /tmp/e/t.lock" \
         "not made by the script|/tmp/f/t|mkdir -p /tmp/f/t; touch /tmp/f/t/mine"; do
  IFS='|' read -r name dir how <<<"$c"
  eval "$how"
  out="$(trixie "$dir")" && fail "$name: used"
  [[ "$out" == *"not using $dir"* ]] || fail "$name: said \"$out\""
done
[ "$(cat /tmp/secret)" = "root's" ] || fail "root's file written through a planted link"
[ -e /tmp/f/t/mine ] && [ ! -e /tmp/ran ] || fail "a folder the script did not make was remade"

out="$(trixie /tmp/new/t --check)" && [ "$(stat -c '%U %a' /tmp/new)" = "root 700" ] || fail "a new root refused or reachable: $out"
plant /tmp/ok/t
for f in /bin/sh /bin/bash /usr/bin/env /bin/umount /bin/rm /bin/cat /bin/chmod; do
  { echo "$f"; ldd "$f" | grep -o '/[^ ]*'; } | xargs cp -L --parents -t /tmp/ok/t
done
out="$(trixie /tmp/ok/t true)" && [ "$(cat /tmp/secret)" = "root's" ] && [ -x /tmp/ok/t/usr/sbin/policy-rc.d ] &&
  [ ! -L /tmp/ok/t/etc/resolv.conf ] || fail "root's own root: $out"
[ "$failures" = 0 ] && echo "all passed"
exit $((failures > 0))
