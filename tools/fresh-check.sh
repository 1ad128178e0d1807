#!/usr/bin/env bash
# Runs commands in a clean clone of this repository inside a fresh Debian 12
# minbase system, as a new user on a new machine would.
#
# Usage: tools/fresh-check.sh [--keep] [--rebuild-base] COMMAND...
#   e.g. tools/fresh-check.sh ./tools/demo.sh ./tools/test.sh
#
# Each COMMAND runs with bash in the clone's root folder, one after the other,
# in one fresh system; the first failure stops the run. The clone is of the
# committed HEAD (uncommitted changes are not part of it).
#
# The base system is made once with `debootstrap --variant=minbase bookworm`
# and cached as a tarball in FRESH_CACHE (default ~/.cache/tarvex-fresh);
# --rebuild-base makes it again. Every run unpacks it into a new folder under
# FRESH_WORK (default /var/tmp), mounts /proc, /sys and /dev there, and
# unmounts and removes everything again at the end (--keep leaves the folder).
# Must run as root; installs debootstrap when it is missing.
set -euo pipefail

keep=0
rebuild=0
while [ $# -gt 0 ]; do
  case "$1" in
    --keep) keep=1; shift ;;
    --rebuild-base) rebuild=1; shift ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    --) shift; break ;;
    -*) echo "fresh-check: unknown option '$1'" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: tools/fresh-check.sh [--keep] [--rebuild-base] COMMAND..." >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "fresh-check: must run as root (debootstrap, chroot and mounts)" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${FRESH_CACHE:-$HOME/.cache/tarvex-fresh}
mirror=${FRESH_MIRROR:-http://deb.debian.org/debian}
base="$cache/bookworm-minbase.tar"

if ! command -v debootstrap >/dev/null; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap
fi

if [ ! -f "$base" ] || [ $rebuild -eq 1 ]; then
  mkdir -p "$cache"
  staging=$(mktemp -d "${FRESH_WORK:-/var/tmp}/tarvex-base.XXXXXX")
  echo "fresh-check: making the base system with debootstrap (cached in $base)"
  debootstrap --variant=minbase bookworm "$staging" "$mirror" >"$cache/debootstrap.log" 2>&1 \
    || { tail -20 "$cache/debootstrap.log"; rm -rf "$staging"; exit 1; }
  tar -C "$staging" -cf "$base.part" .
  mv "$base.part" "$base"
  rm -rf "$staging"
fi

sysroot=$(mktemp -d "${FRESH_WORK:-/var/tmp}/tarvex-fresh.XXXXXX")
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
  if [ $keep -eq 1 ]; then
    echo "fresh-check: kept $sysroot"
  else
    # Only remove the folder when nothing is mounted inside it any more.
    if ! grep -q " $sysroot/" /proc/mounts; then rm -rf "$sysroot"; fi
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

tar -C "$sysroot" -xf "$base"
cp /etc/resolv.conf "$sysroot/etc/resolv.conf"
mkdir -p "$sysroot/work"
git clone --quiet --no-local "$root" "$sysroot/work/tarvex"

mount -t proc proc "$sysroot/proc" && mounted+=("$sysroot/proc")
mount -t sysfs sysfs "$sysroot/sys" && mounted+=("$sysroot/sys")
mount --bind /dev "$sysroot/dev" && mounted+=("$sysroot/dev")
mount --bind /dev/pts "$sysroot/dev/pts" && mounted+=("$sysroot/dev/pts")

status=0
summary=()
for cmd in "$@"; do
  echo "fresh-check: running '$cmd' in $sysroot/work/tarvex"
  start=$(date +%s)
  if chroot "$sysroot" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
       PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
       /bin/bash -c "cd /work/tarvex && $cmd" </dev/null; then
    summary+=("passed  $(( $(date +%s) - start )) s  $cmd")
  else
    status=$?
    summary+=("FAILED  $(( $(date +%s) - start )) s  $cmd (exit status $status)")
    break
  fi
done
echo "fresh-check: results"
printf '  %s\n' "${summary[@]}"
exit $status
