#!/usr/bin/env bash
# Installs what building, testing and packaging need on Debian 12, as root, for the Windows
# architecture this machine tests (testbed/arch.sh): 32-bit Wine and its i386 packages only where
# the kernel runs 32-bit programs. The i686 compiler is always installed: the shipped x86 build is
# built and checked everywhere. Quick when all is there already.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/testbed/arch.sh"
kestralon_arch
packages=(wine wine64 g++-mingw-w64-i686 xvfb fonts-ipafont-gothic locales imagemagick
  xdotool cmake ninja-build googletest libgtest-dev libasio-dev curl python3 vsftpd clang
  libclang-rt-14-dev git osslsigncode openssl iproute2 nftables)
if [ "$KESTRALON_ARCH" = x86 ]; then
  packages+=(wine32:i386)
else
  packages+=(g++-mingw-w64-x86-64)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]} (Windows architecture $KESTRALON_ARCH)"
  if [ "$KESTRALON_ARCH" = x86 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi
# vsftpd is here only as a peer for tests, which start it themselves. Its service would hold
# port 21 on every address, which the substitute hosts of the tests and the demo need.
if command -v systemctl > /dev/null && systemctl is-enabled vsftpd > /dev/null 2>&1; then
  systemctl disable --now vsftpd > /dev/null 2>&1 || true
fi
pkill -f '^/usr/sbin/vsftpd( /etc/vsftpd.conf)?$' 2> /dev/null || true
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
