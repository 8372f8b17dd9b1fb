#!/usr/bin/env bash
# Builds both trees: build/native (the OS-free code under the sanitizers, the substitute host,
# the save-file tool, the demo product) and the Windows tree of this machine's architecture
# (testbed/arch.sh: build/win for x86, build/win-x64 for x64) with KESTRALON.EXE, ftp.exe, the
# UI driver and the Windows-side tests. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${KESTRALON_JOBS:-2}
bash "$root/scripts/setup.sh"
source "$root/testbed/arch.sh"
kestralon_arch
win=$(kestralon_win_tree "$root" "$KESTRALON_ARCH")
cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug > /dev/null
ninja -C "$root/build/native" -j "$jobs"
cmake -S "$root" -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$KESTRALON_ARCH.cmake" \
  -DKESTRALON_NATIVE_BUILD="$root/build/native" > /dev/null
ninja -C "$win" -j "$jobs"
