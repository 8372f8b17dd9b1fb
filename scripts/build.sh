#!/usr/bin/env bash
# Builds both trees: build/native (the OS-free code under the sanitizers, the substitute host,
# the save-file tool, the demo product) and build/win (KESTRALON.EXE, ftp.exe, the UI driver and
# the Windows-side tests). Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${KESTRALON_JOBS:-2}
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug > /dev/null
ninja -C "$root/build/native" -j "$jobs"
cmake -S "$root" -B "$root/build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DKESTRALON_NATIVE_BUILD="$root/build/native" > /dev/null
ninja -C "$root/build/win" -j "$jobs"
