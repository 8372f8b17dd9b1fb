#!/usr/bin/env bash
# Creates the Wine prefix once (about ten seconds) and sets what the tests rely on: Wine draws
# the window captions itself (there is no window manager on Xvfb), and the dialogs' font
# "ＭＳ Ｐゴシック" is drawn with IPA P Gothic. Safe to run again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
stamp="$WINEPREFIX/.kestralon-ready"
[ -f "$stamp" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f >/dev/null 2>&1
for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'IPAPGothic' /f >/dev/null 2>&1
done
for face in 'ＭＳ ゴシック' 'MS Gothic'; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'IPAGothic' /f >/dev/null 2>&1
done
wineserver -w
touch "$stamp"
