#!/usr/bin/env bash
# Installs the package into a fresh Debian 12 (debootstrap, minbase) and
# uses the window there as an ordinary user (scripts/installed-window-check.sh),
# saving the window after the check as docs/screenshot.png. As root; needs
# debootstrap and Debian's mirror. The root stays in ROOT_DIR for a look.
# Usage: scripts/clean-root-check.sh PACKAGE.deb [ROOT_DIR]   (default: build-root)
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:?usage: clean-root-check.sh PACKAGE.deb [ROOT_DIR]}")
root=$(realpath -m "${2:-build-root}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

[ -x "$root/usr/bin/apt-get" ] || debootstrap --variant=minbase bookworm "$root" "$mirror"
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" || true; done
}
trap cleanup EXIT
for dir in proc dev dev/pts; do
  mountpoint -q "$root/$dir" && continue
  if [ "$dir" = proc ]; then mount -t proc proc "$root/proc"; else mount --bind "/$dir" "$root/$dir"; fi
  mounts+=("$root/$dir")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/pardovane.deb"
mkdir -p "$root/tmp/scripts"
cp scripts/installed-window-check.sh scripts/sample-site.sh "$root/tmp/scripts/"

in_root() { chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq
# As a user would: with what the package recommends.
in_root apt-get install -y /tmp/pardovane.deb
in_root apt-get install -y --no-install-recommends xvfb xauth xdotool imagemagick mousepad python3
in_root id alice >/dev/null 2>&1 || in_root useradd -m -s /bin/bash alice
in_root su - alice -c 'bash /tmp/scripts/installed-window-check.sh /tmp/pardovane-window.png'
cp "$root/tmp/pardovane-window.png" docs/screenshot.png
echo "clean-root-check: passed; wrote docs/screenshot.png"
