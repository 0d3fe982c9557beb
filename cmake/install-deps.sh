#!/usr/bin/env bash
# Installs everything the builds and tests need on Debian 12 (run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ clang libclang-rt-14-dev python3 \
  googletest libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev liblz4-dev \
  libcli11-dev nlohmann-json3-dev \
  mingw-w64 mingw-w64-tools wine wine64 libwine-dev locales g++-multilib qemu-user >/dev/null
# Wine takes its ANSI code page (932) from this locale.
if ! locale -a | grep -qi '^ja_JP.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  locale-gen >/dev/null
fi
