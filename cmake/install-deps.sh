#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, and only what is
# missing, so it is cheap to run again and needs root only when something is
# missing.
#
#   install-deps.sh release   the native release build and the host program
#   install-deps.sh bench     that, and what bench/scale.sh compares with
#   install-deps.sh           everything the tests need: also clang,
#                             mingw-w64, 64- and 32-bit Wine, the Japanese
#                             locale and qemu-user
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

release_packages=(
  cmake ninja-build g++ libcli11-dev nlohmann-json3-dev
  libbenchmark-dev zlib1g-dev liblz4-dev pkg-config libfuse3-dev fuse3
)
bench_packages=(
  "${release_packages[@]}"
  python3 zip unzip tar time fuse-zip archivemount
)
all_packages=(
  "${release_packages[@]}"
  python3 googletest libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  mingw-w64 mingw-w64-tools wine wine64 libwine-dev locales
  g++-multilib qemu-user
)

case "${1:-all}" in
  release) wanted=("${release_packages[@]}"); want_wine32=0 ;;
  bench) wanted=("${bench_packages[@]}"); want_wine32=0 ;;
  all) wanted=("${all_packages[@]}"); want_wine32=1 ;;
  *) echo "usage: $0 [release|bench|all]" >&2; exit 2 ;;
esac

installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo env DEBIAN_FRONTEND=noninteractive "$@"; fi
}

# A failed index (the i386 index of the security updates, say, caught while
# the mirror syncs) leaves apt with the indexes it has; an install that then
# cannot be satisfied fails on its own, with apt's message.
apt_update() {
  as_root apt-get update -qq || echo "install-deps: some package indexes could not be fetched; going on" >&2
}

missing=()
for package in "${wanted[@]}"; do
  installed "$package" || missing+=("$package")
done
if [ "$want_wine32" = 1 ] && ! installed wine32:i386; then
  missing+=(wine32:i386)
fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  architectures=$(dpkg --print-foreign-architectures)
  if [ "$want_wine32" = 1 ] && ! grep -qx i386 <<<"$architectures"; then
    as_root dpkg --add-architecture i386
  fi
  apt_update
  amd64=()
  for package in "${missing[@]}"; do
    [ "$package" = wine32:i386 ] || amd64+=("$package")
  done
  if [ "${#amd64[@]}" -gt 0 ]; then
    as_root apt-get install -y -qq --no-install-recommends "${amd64[@]}" >/dev/null
  fi
fi

# 32-bit Wine, which runs the shipped QOR.DLL. Multiarch needs the amd64 and
# i386 builds of every shared library at the same version, and the i386 index
# of the security updates can lag the amd64 one (or fail to download), so
# apt may find no i386 build to match an amd64 library. Then the install is
# made from the release alone: for this one command, a preferences file
# ranks the security updates below everything and the release above the
# installed versions, so that apt aligns both architectures on the release
# (apt lists the amd64 libraries it takes back to the release's version).
# The file is not left in /etc/apt: later upgrades stay the system's own.
if [ "$want_wine32" = 1 ] && ! installed wine32:i386; then
  if ! as_root apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1; then
    echo "install-deps: aligning amd64 and i386 libraries on the release for wine32:i386" >&2
    preferences=$(mktemp -d)
    trap 'rm -rf "$preferences"' EXIT
    cat >"$preferences/release-only.pref" <<'EOF'
Package: *
Pin: release n=bookworm-security
Pin-Priority: -1

Package: *
Pin: release n=bookworm
Pin-Priority: 1001
EOF
    chmod 755 "$preferences"
    log="$preferences/apt.log"
    if ! as_root apt-get install -y -q --no-install-recommends --allow-downgrades \
      -o Dir::Etc::PreferencesParts="$preferences" wine32:i386 >"$log" 2>&1; then
      cat "$log" >&2
      exit 1
    fi
    echo "install-deps: taken back to the release's version:" >&2
    sed -n '/^The following packages will be DOWNGRADED/,/^[^ ]/{/^ /p}' "$log" >&2
  fi
fi

# Wine takes its ANSI code page (932) from this locale.
locales=$(locale -a 2>/dev/null || true)
if [ "$want_wine32" = 1 ] && ! grep -qi '^ja_JP.utf8$' <<<"$locales"; then
  as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  as_root locale-gen >/dev/null
fi
