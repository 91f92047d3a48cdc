#!/usr/bin/env bash
# The set-up scripts as a newcomer runs them, over stubbed system tools (only
# the tools linked below are on PATH) and a temporary root: the rule installer,
# the package installer without root, and the separate build folders.
# Argument: the source folder.
set -uo pipefail
src="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { local what="$1"; shift; "$@" || fail "$what"; }

system_path="$PATH"
tools="$work/tools"; stubs="$work/stubs"; log="$work/log"
mkdir -p "$tools" "$stubs"
for t in bash env grep cat mkdir dirname install chmod rm cp nproc true stat cmp sort wc tail; do
  ln -s "$(type -P "$t")" "$tools/$t"
done
export LOG="$log" PATH="$stubs:$tools"
# Stub: logs its name and arguments, then runs the rest of the line.
stub() {
  printf '#!%s\necho "%s $*" >>"$LOG"\n%s\n' "$(command -v bash)" "$1" "${2:-}" >"$stubs/$1"
  chmod +x "$stubs/$1"
}
unstub() { rm -f "$stubs/$1"; }
logged() { grep -q -- "$1" "$log" 2>/dev/null; }

# --- The rule installer, into a temporary root: the files, twice, and the
# running system left alone.
stub modprobe; stub udevadm; stub id 'echo 0'
root="$work/root"
for run in 1 2; do
  : >"$log"
  bash "$src/scripts/install-rule.sh" "$root/" >/dev/null || fail "install-rule.sh run $run failed"
  expect "rule installed as shipped" cmp -s "$src/resources/udev/70-corvadine-input.rules" \
    "$root/etc/udev/rules.d/70-corvadine-input.rules"
  expect "uinput loaded at every start" \
    [ "$(cat "$root/etc/modules-load.d/corvadine-uinput.conf" 2>/dev/null)" = uinput ]
  expect "rule readable by udev" [ "$(stat -c %a "$root/etc/udev/rules.d/70-corvadine-input.rules")" = 644 ]
  logged "modprobe\|udevadm" && fail "a temporary root touched the running system"
done

# --- The rule under udev's own matching: hidraw nodes over a umockdev-made
# sysfs, in a mount namespace that holds only the rule and keeps udev's
# database and /dev/char to itself.
hid() {  # name bus vendor product: a hidraw node under its HID device
  local parent=/devices/virtual/misc/uhid
  [ "$2" = 0003 ] && parent=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2
  printf 'P: %s/%s:%s:%s.0003/hidraw/%s\nN: %s\nE: DEVNAME=/dev/%s\nE: SUBSYSTEM=hidraw\nE: MAJOR=241\nE: MINOR=0\nA: dev=241:0\n\n' \
    "$parent" "$2" "$3" "$4" "$1" "$1" "$1"
  printf 'P: %s/%s:%s:%s.0003\nE: SUBSYSTEM=hid\nE: HID_ID=%s:0000%s:0000%s\n\n' "$parent" "$2" "$3" "$4" "$2" "$3" "$4"
}
# Skipped with the reason where no namespace can be made (a chroot, a container
# that forbids it): only what the rule does fails.
skipped="$(PATH="$system_path" unshare --mount --map-root-user true 2>&1)" && skipped= || skipped=${skipped:-unshare failed}
# name | bus | vendor | product | tagged
for c in "Logitech USB receiver|0003|046D|C52B|yes" "Logitech Bluetooth keyboard|0005|046D|B35B|yes" \
         "another vendor's USB device|0003|046E|C52B|no" "another vendor's Bluetooth keyboard|0005|05AC|046D|no"; do
  [ -z "$skipped" ] || break
  IFS='|' read -r name bus vendor product tagged <<<"$c"
  hid hidraw0 "$bus" "$vendor" "$product" >"$work/hid.umockdev"
  out="$(PATH="$system_path" unshare --mount --map-root-user bash -c '
    # A /run and a /dev of its own: a machine without udev running has no
    # /run/udev or /dev/char to cover.
    mount -t tmpfs none /run && mkdir /run/udev /run/dev && mount --rbind /dev /run/dev &&
      mount -t tmpfs none /dev || exit 1
    for n in null zero random urandom tty; do
      [ -e "/run/dev/$n" ] || continue
      touch "/dev/$n" && mount --bind "/run/dev/$n" "/dev/$n" || exit 1
    done
    mkdir /dev/char /dev/pts /dev/shm && mount -t devpts -o newinstance,ptmxmode=0666 devpts /dev/pts &&
      ln -s pts/ptmx /dev/ptmx && mount -t tmpfs none /dev/shm || exit 1
    for d in /etc/udev/rules.d /usr/lib/udev/rules.d; do mount -t tmpfs none "$d" || exit 1; done
    cp "$1" /etc/udev/rules.d/ && umockdev-run -d "$2" -- udevadm test /sys/class/hidraw/hidraw0 2>&1' _ \
    "$src/resources/udev/70-corvadine-input.rules" "$work/hid.umockdev")" || fail "udev, $name: $(tail -3 <<<"$out")"
  # systemd 257 indents the properties it lists; 252 does not.
  got=no; grep -q '^ *TAGS=.*:uaccess:' <<<"$out" && got=yes
  grep -q '^ *SUBSYSTEM=hidraw$' <<<"$out" || fail "udev, $name: the device was not read: $(tail -3 <<<"$out")"
  [ "$got" = "$tagged" ] || fail "udev, $name: tagged $got, not $tagged"
done

# --- Installing packages: never a silent sudo; without root or a usable sudo,
# the apt-get line to run as root.
repo="$work/repo"
mkdir -p "$repo"
cp -r "$src/scripts" "$repo/"
stub dpkg-query 'exit 1'  # nothing installed
stub apt-get
# name | uid | sudo stub ("" = no sudo) | stdin | exit | on stderr | in the log | not in the log
cases=(
  "root|0||/dev/null|0||apt-get install -y -qq cmake|sudo"
  "passwordless sudo|1000|[ \"\$1\" = -n ] && shift; exec \"\$@\"|/dev/null|0||sudo env DEBIAN_FRONTEND=noninteractive apt-get install|"
  "sudo would ask, no terminal|1000|[ \"\$1\" = -n ] && exit 1; exec \"\$@\"|/dev/null|1|installing packages needs root or sudo|sudo -n true|apt-get"
  "no sudo|1000||/dev/null|1|installing packages needs root or sudo||apt-get"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name uid sudo_body input status said inlog notlog <<<"$c"
  : >"$log"
  stub id "echo $uid"
  if [ -n "$sudo_body" ]; then stub sudo "$sudo_body"; else unstub sudo; fi
  err="$(bash "$repo/scripts/deps.sh" <"$input" 2>&1 >/dev/null)"
  got=$?
  [ "$got" = "$status" ] || fail "deps.sh, $name: exit $got, not $status"
  [ -z "$said" ] || [[ "$err" == *"$said"* ]] || fail "deps.sh, $name: said \"$err\""
  [ -z "$inlog" ] || logged "$inlog" || fail "deps.sh, $name: no \"$inlog\" in $(tail -3 "$log")"
  [ -z "$notlog" ] || ! logged "$notlog" || fail "deps.sh, $name: \"$notlog\" in $(tail -3 "$log")"
done
# The printed line installs what is missing; the README gives the same lines,
# the tests' packages apart from the program's.
unstub sudo; stub id 'echo 1000'
line() { bash "$repo/scripts/deps.sh" "$@" </dev/null 2>&1 | grep -o 'apt-get install .*'; }
runline="$(line run)"; testline="$(line)"
grep -qxF "    $runline" "$src/README.md" || fail "README lacks \"$runline\""
[[ "$runline" != *libgtest-dev* && "$runline" != *xvfb* && "$runline" != *clang* ]] ||
  fail "running installs the test tools: $runline"
extra="apt-get install ${testline#"$runline "}"
[ "$extra" != "apt-get install $testline" ] && grep -qxF "    $extra" "$src/README.md" ||
  fail "README lacks \"$extra\""

# --- Running and testing each build in a folder of their own, the same one
# every time: alternating rebuilds nothing.
stub dpkg-query 'echo "install ok installed"'
stub ctest
stub cmake '
args=("$@")
for ((i = 0; i < $#; i++)); do
  case "${args[i]}" in --build) dir="${args[i+1]}" ;; esac
done
if [ -n "${dir:-}" ]; then
  mkdir -p "$dir/src"
  printf "#!%s\necho \"program %s\" >>\"\$LOG\"\n" "$(command -v bash)" "$dir" >"$dir/src/corvadine"
  chmod +x "$dir/src/corvadine"
fi'
: >"$log"
for s in run test run test; do
  (cd "$work" && bash "$repo/scripts/$s.sh" >/dev/null 2>&1) || fail "$s.sh failed: $(tail -3 "$log")"
done
folders() { grep -o -- "$1" "$log" | sort -u; }
runs="$(folders 'program [^ ]*')"
configured="$(folders '-B [^ ]*')"
tested="$(folders '--test-dir [^ ]*')"
[ "$(echo "$configured" | wc -l)" = 2 ] || fail "not two build folders: $configured"
[ "$(echo "$runs" | wc -l)" = 1 ] && [ "$(echo "$tested" | wc -l)" = 1 ] || fail "folders change: $runs / $tested"
[ "${runs#program }" != "${tested#--test-dir }" ] || fail "run.sh and test.sh share ${runs#program }"
grep -- "-B ${runs#program } " "$log" | grep -q -- "-DCORV_TESTS=OFF" || fail "run.sh builds the tests"

[ "$failures" = 0 ] && [ -n "$skipped" ] && { echo "all passed but the udev part, skipped: $skipped"; exit 77; }
[ "$failures" = 0 ] && echo "all passed"
exit $((failures > 0))
