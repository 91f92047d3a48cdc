#!/usr/bin/env bash
# Builds and tests a copy of this tree's files on Debian 13 (trixie): in a
# root made with debootstrap from Debian's packages, kept at $CORV_TRIXIE
# (default /var/lib/corvadine/trixie) with its compiler cache for the next
# run. In it the README's apt-get install lines install what is missing, then
# scripts/test.sh runs. The chroot gets a /dev of its own (the tests fake
# their devices), /proc, /sys, /run and /tmp, in mount and process namespaces of its
# own: nothing stays mounted or running when it ends. Needs root.
#
# Only root may have written the root, its lock file and the folders above
# them, and none is a link; a folder the script did not make is never wiped.
# Folders it makes above the root are root's alone: no other user reaches the
# chroot's world-writable folders (its /var/tmp).
#
# With arguments, runs them as a command in the chroot's copy instead (for a
# look at a failure: the copy and its build stay until the next run);
# --check only checks the root.
set -euo pipefail
self=$(readlink -f "$0")
cd "$(dirname "$self")/.."
root=${CORV_TRIXIE:-/var/lib/corvadine/trixie}
stamp=$root/.corvadine-debootstrap-done
made=$root/.corvadine-made
src=/root/corvadine

if [ "${1:-}" != --inside ]; then
  [ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }
  umask 022
  refuse() { echo "$0: not using $root: $*" >&2; exit 1; }
  # $1 is of type $2, root's, written by no one else and no link.
  roots() {
    local uid mode type
    read -r uid mode type < <(stat -c '%u %a %F' -- "$1")
    type=${type/regular empty/regular}
    [ "$type" = "$2" ] || refuse "$1 is a $type"
    [ "$uid" = 0 ] || refuse "$1 is not root's own"
    (( (8#$mode & 8#022) == 0 )) || refuse "$1 may be written by others than root"
  }
  [[ $root == /?* && $root != */ ]] || refuse "not a plain absolute path"
  IFS=/ read -ra names <<<"${root#/}"
  dir=
  roots / directory
  for name in "${names[@]}"; do
    case $name in '' | . | ..) refuse "not a plain absolute path" ;; esac
    [ "$dir/$name" != "$root" ] || break
    dir+=/$name
    [ -e "$dir" ] || [ -L "$dir" ] || mkdir -m 700 "$dir"
    roots "$dir" directory
  done
  # One run at a time in the root.
  if [ -e "$root.lock" ] || [ -L "$root.lock" ]; then roots "$root.lock" "regular file"; fi
  exec 9>>"$root.lock"
  flock 9
  if [ -e "$root" ] || [ -L "$root" ]; then roots "$root" directory; fi
  if [ ! -e "$stamp" ]; then
    # A chroot without the stamp is half made: made again from nothing.
    if [ -e "$root" ] && [ ! -e "$made" ] && [ -n "$(ls -A "$root")" ]; then
      refuse "it holds files and this script did not make it"
    fi
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      refuse "it has mounts"
    fi
  fi
  [ "${1:-}" != --check ] || { echo "$root: fit for use"; exit 0; }
  if [ ! -e "$stamp" ]; then
    [ ! -e "$made" ] || rm -rf --one-file-system "$root"
    [ -e "$root" ] || mkdir -m 755 "$root"
    touch "$made"
    if ! command -v debootstrap >/dev/null; then
      apt-get update -qq
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    fi
    echo "making the Debian 13 chroot at $root"
    debootstrap --variant=minbase trixie "$root" >/dev/null
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

for m in proc sys tmp run dev; do
  if [ -L "$root/$m" ] || [ ! -d "$root/$m" ]; then echo "$0: $root/$m is not a folder" >&2; exit 1; fi
done
# The chroot's own root mount, for pivot_root.
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

# Entered by pivot_root, not chroot, so that its programs may make user
# namespaces as on a real system. Files are written from inside, where the
# chroot's links lead into it, not into the host.
enter() {
  unshare --mount -- /bin/sh -c 'cd "$1" && shift && pivot_root . mnt && umount -l /mnt && exec "$@"' enter "$root" \
    /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
run() {
  enter HOME=/root LANG=C.UTF-8 TERM=dumb \
    CI="${CI:-}" DEBIAN_FRONTEND=noninteractive \
    CCACHE_DIR=/var/cache/corvadine-ccache CCACHE_BASEDIR="$src" \
    CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache \
    /bin/bash -euo pipefail -c 'cd "$1" && shift && "$@"' run "$src" "$@"
}
# The host's name servers; no service of a package starts while it installs.
enter /bin/sh -ec 'rm -f /etc/resolv.conf /usr/sbin/policy-rc.d
  cat >/etc/resolv.conf
  printf "#!/bin/sh\nexit 101\n" >/usr/sbin/policy-rc.d
  chmod 755 /usr/sbin/policy-rc.d' </etc/resolv.conf
if [ $# -gt 0 ]; then
  run "$@"
  exit
fi

# The tree's files as a fresh clone has them; the build starts from nothing.
scripts/as-owner.sh git ls-files -z | tar --null --no-recursion -T - -cf - |
  enter /bin/sh -ec 'rm -rf "$1" && mkdir "$1" && tar --no-same-owner -xf - -C "$1"' copy "$src"

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
