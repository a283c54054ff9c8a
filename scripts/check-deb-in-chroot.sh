#!/usr/bin/env bash
# Checks the Debian package on a fresh minimal Debian 12 root: it installs with apt, runs
# (--version, the manual page, an export of the demo store), and purging it leaves none of
# its files behind. Needs root and access to a Debian mirror, so it is not part of the tests.
#   scripts/check-deb-in-chroot.sh [PACKAGE.deb]   (default: the newest in build-deb/)
# QUORVINE_MIRROR picks the mirror debootstrap uses (default: debootstrap's own).
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "check-deb-in-chroot.sh: needs root (debootstrap, chroot)" >&2; exit 1; }
deb=${1:-$(ls -t build-deb/quorvine_*.deb 2>/dev/null | head -n 1)}
[ -f "$deb" ] || { echo "check-deb-in-chroot.sh: no package; run scripts/build-deb.sh first" >&2; exit 1; }
QUORVINE_PACKAGING_TOOLS=1 ./scripts/setup-deps.sh

# edbgen is test tooling, not in the package: the demo store is written by the build tree's.
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target edbgen_demo_store >/dev/null
store=build/demo/demo2007.edb

work=$(mktemp -d "${TMPDIR:-/var/tmp}/quorvine-chroot.XXXXXX")
root=$work/root
cleanup() {
  if mountpoint -q "$root/proc"; then umount "$root/proc" || { echo "left mounted: $root/proc" >&2; return; }; fi
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
step() { echo "== $*"; }

step "debootstrap --variant=minbase bookworm"
debootstrap --variant=minbase bookworm "$root" ${QUORVINE_MIRROR:-} >"$work/debootstrap.log" 2>&1 ||
  { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
mount -t proc proc "$root/proc"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The root has no /dev/pts for dpkg's terminal log.
echo 'Dpkg::Use-Pty "0";' >"$root/etc/apt/apt.conf.d/90no-pty"
in_root apt-get update -qq
step "apt install man-db"
in_root apt-get install -y -qq --no-install-recommends man-db >/dev/null

step "apt install ./$(basename "$deb")"
cp "$deb" "$store" "$root/tmp/"
in_root sh -c "cd /tmp && apt install -y -q ./$(basename "$deb")" 2>&1 | grep -E '^(Setting up quorvine|Need to get|After this operation|E:)' || true
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' quorvine
in_root dpkg -L quorvine >"$work/files"

step "quorvine --version"
in_root quorvine --version
step "man quorvine"
in_root sh -c 'MANPAGER=cat MANWIDTH=80 man quorvine' >"$work/man"
head -n 4 "$work/man"
grep -q 'EXIT STATUS' "$work/man" || { echo "the manual page has no EXIT STATUS section" >&2; exit 1; }
echo "($(wc -l <"$work/man") lines)"
step "quorvine export /tmp/$(basename "$store")"
in_root quorvine export "/tmp/$(basename "$store")" --exchange 2007 --out /tmp/export 2>&1 | tail -n 4
echo "MBOX files: $(in_root find /tmp/export -type f | wc -l)"

step "apt purge quorvine"
in_root apt purge -y -q quorvine 2>&1 | grep -E '^(Removing|Purging) quorvine' || true
left=0
while IFS= read -r path; do
  [ -e "$root$path" ] || continue
  # A folder stays when another package owns it too, or something else put files in it.
  if [ -d "$root$path" ] && { in_root dpkg -S "$path" >/dev/null 2>&1 || [ -n "$(ls -A "$root$path")" ]; }; then
    continue
  fi
  echo "left behind: $path"
  left=$((left + 1))
done <"$work/files"
echo "$(wc -l <"$work/files") paths of the package checked, $left left behind"
[ "$left" -eq 0 ]
step "passed"
