#!/usr/bin/env bash
# Creates the Wine prefix once (about ten seconds) and sets what the tests rely on: Wine draws
# the window captions itself (there is no window manager on Xvfb), and the dialogs' font
# "ＭＳ Ｐゴシック" is drawn with IPA P Gothic. Safe to run again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
stamp="$WINEPREFIX/.kestralon-ready"
[ -f "$stamp" ] && exit 0
if [ ! -x "$KESTRALON_WINE" ]; then
  echo "prepare-prefix: $KESTRALON_WINE is missing; run scripts/setup.sh as root" >&2
  exit 1
fi
mkdir -p "$(dirname "$WINEPREFIX")"
"$KESTRALON_WINE" wineboot -i > /dev/null 2>&1
reg_add() { "$KESTRALON_WINE" reg add "$@" /f > /dev/null 2>&1; }
reg_add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
reg_add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y
for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'IPAPGothic'
done
for face in 'ＭＳ ゴシック' 'MS Gothic'; do
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'IPAGothic'
done
"$KESTRALON_WINESERVER" -w
# A prefix that booted without its system folder is no prefix: say so rather than mark it ready.
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || { echo "prepare-prefix: wineboot did not create $WINEPREFIX" >&2; exit 1; }
touch "$stamp"
