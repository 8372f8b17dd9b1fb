#!/usr/bin/env bash
# Puts the ftp client of the Windows build tree $KESTRALON_BUILD into that tree's Wine prefix, as
# C:\windows\system32\ftp.exe, where the installer's launcher finds "ftp" (Wine has no client of
# its own). On Windows the system's client is used instead; this is never shipped. Safe to rerun.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
client="$KESTRALON_BUILD/ftpclient/ftp.exe"
system32="$WINEPREFIX/drive_c/windows/system32"
if [ ! -f "$client" ]; then
  echo "install-ftp: $client is missing; build the Windows tree first" >&2
  exit 1
fi
if [ ! -d "$system32" ]; then
  echo "install-ftp: no Wine prefix at $WINEPREFIX; run testbed/prepare-prefix.sh first" >&2
  exit 1
fi
# Copy beside the target and rename, so a job starting meanwhile never finds half a program.
cp "$client" "$system32/.ftp.exe.$$"
mv -f "$system32/.ftp.exe.$$" "$system32/ftp.exe"
