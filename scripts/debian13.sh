#!/usr/bin/env bash
# Builds and tests a copy of this tree's files on Debian 13 (trixie): in a
# root made with debootstrap from Debian's packages, kept at $CORV_TRIXIE
# (default /var/tmp/corvadine-trixie) with its compiler cache for the next
# run. In it the README's apt-get install lines install what is missing, then
# scripts/test.sh runs. The chroot gets a /dev of its own (the tests fake
# their devices), /proc, /sys, /run and /tmp, in mount and process namespaces of its
# own: nothing stays mounted or running when it ends. Needs root.
#
# With arguments, runs them as a command in the chroot's copy instead (for a
# look at a failure: the copy and its build stay until the next run).
set -euo pipefail
self=$(readlink -f "$0")
cd "$(dirname "$self")/.."
root=${CORV_TRIXIE:-/var/tmp/corvadine-trixie}
stamp=$root/.corvadine-debootstrap-done
src=/root/corvadine

if [ "${1:-}" != --inside ]; then
  [ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }
  # One run at a time in the root.
  exec 9>"$root.lock"
  flock 9
  if [ ! -e "$stamp" ]; then
    # A chroot without the stamp is half made: made again from nothing.
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      echo "$0: $root has mounts; not remaking it" >&2
      exit 1
    fi
    rm -rf --one-file-system "$root"
    if ! command -v debootstrap >/dev/null; then
      apt-get update -qq
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    fi
    echo "making the Debian 13 chroot at $root"
    debootstrap --variant=minbase trixie "$root" http://deb.debian.org/debian >/dev/null
    touch "$stamp"
  fi
  exec unshare --mount --pid --fork --propagation private -- "$self" --inside "$@"
fi
shift

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" || true; done
}
trap cleanup EXIT
mnt() {
  mount "$@"
  mounted+=("${*: -1}")
}

# The chroot's own root mount: entered by pivot_root, not chroot, so that its
# programs may make user namespaces as on a real system.
mnt --bind "$root" "$root"
mnt -t proc proc "$root/proc"
mnt -t sysfs -o ro sysfs "$root/sys"
mnt -t tmpfs -o mode=1777,nosuid,nodev tmp "$root/tmp"
# A fresh /run as at boot, with the folders a running udev and login make.
mnt -t tmpfs -o mode=755,nosuid,nodev run "$root/run"
mkdir -m 1777 "$root/run/lock"
mkdir -m 755 "$root/run/udev" "$root/run/user"
mnt -t tmpfs -o mode=755,nosuid dev "$root/dev"
d=$root/dev
mknod -m 666 "$d/null" c 1 3
mknod -m 666 "$d/zero" c 1 5
mknod -m 666 "$d/full" c 1 7
mknod -m 666 "$d/random" c 1 8
mknod -m 666 "$d/urandom" c 1 9
mknod -m 666 "$d/tty" c 5 0
mkdir -m 755 "$d/pts"
mkdir -m 1777 "$d/shm"
mkdir -m 755 "$d/char"  # udev's links, none here
mnt -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$d/pts"
ln -s pts/ptmx "$d/ptmx"
mnt -t tmpfs -o mode=1777,nosuid,nodev shm "$d/shm"
ln -s /proc/self/fd "$d/fd"
ln -s /proc/self/fd/0 "$d/stdin"
ln -s /proc/self/fd/1 "$d/stdout"
ln -s /proc/self/fd/2 "$d/stderr"

cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# No service of a package starts while it installs.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

run() {
  unshare --mount -- /bin/sh -c 'cd "$1" && shift && pivot_root . mnt && umount -l /mnt && exec "$@"' enter "$root" \
    /usr/bin/env -i \
    HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb \
    CI="${CI:-}" DEBIAN_FRONTEND=noninteractive \
    CCACHE_DIR=/var/cache/corvadine-ccache CCACHE_BASEDIR="$src" \
    CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache \
    /bin/bash -euo pipefail -c 'cd "$1" && shift && "$@"' run "$src" "$@"
}
if [ $# -gt 0 ]; then
  run "$@"
  exit
fi

# The tree's files as a fresh clone has them; the build starts from nothing.
rm -rf "$root$src"
mkdir -p "$root$src"
git ls-files -z | tar --null --no-recursion -T - -cf - | tar -xf - -C "$root$src"

run bash -c 'set -euo pipefail
# The README'\''s apt-get install lines, and the compiler cache: what is missing.
wanted=($(sed -n "s/^ *apt-get install //p" README.md) ccache)
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f="\${Status}" "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "Debian $(cat /etc/debian_version), $(g++ --version | head -1)"
exec scripts/test.sh
'
