#!/usr/bin/env bash
# Runs the README's two commands on a Debian 12 that starts empty, as a new
# user would, and times each: debootstrap makes a fresh root in DIR (default
# /var/tmp/qor-fresh-root, which must not exist yet) with the package
# sources of a fresh installation (the release, its updates and the security
# updates), a clean clone of this repository's HEAD goes into it, and both
# commands run inside it with chroot. Needs root, debootstrap and the Debian
# mirror; takes about as long as CI, twice over.
#
#   cmake/fresh-root-check.sh [DIR [COMMAND...]]
#
# With COMMANDs, only those run (cmake/run-sample.sh alone proves the
# release build's packages in a few minutes).
set -euo pipefail
root=${1:-/var/tmp/qor-fresh-root}
shift || true
commands=("$@")
[ ${#commands[@]} -gt 0 ] || commands=(cmake/run-sample.sh cmake/test-all.sh)
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ -e "$root" ]; then
  echo "fresh-root-check: $root exists; give a new folder" >&2
  exit 2
fi
debootstrap bookworm "$root" http://deb.debian.org/debian
cat >"$root/etc/apt/sources.list" <<'SOURCES'
deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone --quiet "$repo" "$root/root/qor"

# The bind mounts are slaves, so that unmounting them inside the root never
# reaches the host's own /dev and /sys.
trap 'umount -R "$root/sys" "$root/dev" "$root/proc" 2>/dev/null || umount -lR "$root/sys" "$root/dev" "$root/proc" 2>/dev/null || true' EXIT
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mount --rbind /sys "$root/sys"
mount --make-rslave "$root/sys"

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/qor && $1"
}
# The root's size in MB, the clone and everything installed or built in it.
megabytes() { du -sxm "$root" | cut -f1; }
for command in "${commands[@]}"; do
  start=$SECONDS before=$(megabytes)
  in_root "$command"
  echo "fresh-root-check: $command passed in $((SECONDS - start)) s, the root grew by $(($(megabytes) - before)) MB"
done
