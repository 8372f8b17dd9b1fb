# Sourced by every script that runs Windows programs: the Wine of the build tree's architecture
# (arch.sh), one prefix per build tree, in Japanese, without Mono or Gecko prompts and without
# Wine's debug chatter. Run programs with "$KESTRALON_WINE" and end the prefix's server with
# "$KESTRALON_WINESERVER" -k; Debian's wine and wineboot wrappers pick the 32-bit loader
# whenever it is installed, whatever the prefix.
# KESTRALON_BUILD names the Windows build tree (default: the tree of KESTRALON_ARCH under the
# source tree). A build tree is run in the architecture it was built for (its kestralon-arch).
# Fails, with one line on standard error, when that architecture cannot run here.
_testbed_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$_testbed_dir/arch.sh"
if [ -n "${KESTRALON_BUILD:-}" ] && [ -f "$KESTRALON_BUILD/kestralon-arch" ]; then
  _tree_arch=$(cat "$KESTRALON_BUILD/kestralon-arch")
  if [ -n "${KESTRALON_ARCH:-}" ] && [ "$KESTRALON_ARCH" != "$_tree_arch" ]; then
    echo "KESTRALON_ARCH=$KESTRALON_ARCH, but $KESTRALON_BUILD was built for $_tree_arch" >&2
    return 1
  fi
  KESTRALON_ARCH=$_tree_arch
fi
kestralon_arch || return 1
: "${KESTRALON_BUILD:=$(kestralon_win_tree "$(cd "$_testbed_dir/.." && pwd)" "$KESTRALON_ARCH")}"
export KESTRALON_BUILD
export WINEPREFIX="${WINEPREFIX:-$KESTRALON_BUILD/wineprefix}"
if [ "$KESTRALON_ARCH" = x86 ]; then
  export WINEARCH=win32 KESTRALON_WINE=/usr/lib/wine/wine
else
  # The programs Wine starts itself (cmd, and the ftp client that cmd starts) need this loader too.
  export WINEARCH=win64 KESTRALON_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
fi
export KESTRALON_WINESERVER=wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
