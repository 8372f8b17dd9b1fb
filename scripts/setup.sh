#!/usr/bin/env bash
# Installs what building, testing and packaging need on Debian 12, as root, for the Windows
# architecture this machine tests (testbed/arch.sh): 32-bit Wine and its i386 packages only where
# the kernel runs 32-bit programs; both compilers everywhere (kestralon_packages). Quick when all is
# there already.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/testbed/arch.sh"
kestralon_arch
read -r -a packages <<< "$(kestralon_packages "$KESTRALON_ARCH" | tr '\n' ' ')"
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
