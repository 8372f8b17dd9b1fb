# Sourced by every script that runs Windows programs: one 32-bit Wine prefix per build tree, in
# Japanese, without Mono or Gecko prompts and without Wine's debug chatter.
# KESTRALON_BUILD names the Windows build tree (default: build/win under the source tree).
_testbed_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${KESTRALON_BUILD:=$(cd "$_testbed_dir/.." && pwd)/build/win}"
export KESTRALON_BUILD
export WINEPREFIX="${WINEPREFIX:-$KESTRALON_BUILD/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
