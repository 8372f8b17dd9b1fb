#!/usr/bin/env bash
# Check hook: no planted DLL ran. Two witnesses: the marker its DllMain would leave, and Wine's
# record of every DLL it loaded (WINEDEBUG=+loaddll, in wine.log): nothing from the installer's
# folder but KESTRALON.EXE may be loaded as a native DLL.
# Wine itself still looks up some DLLs that its own DLLs load late (uxtheme, msimg32) in the
# program's folder whatever the program asked for, then maps its built-in copy all the same; the
# planted code does not run. Those lines are listed, not failed.
status=0
for name in $PLANTED_NAMES; do
  if [ -e "$E2E_APP/$name.loaded" ]; then
    echo "the planted $name ran (its marker is there)"
    status=1
  fi
done
from_app=$(grep -a 'loaddll:.*Loaded' "$E2E_OUTPUT/wine.log" | grep -ai 'app\\\\' | grep -aiv 'KESTRALON.EXE')
if grep -aq ': native' <<< "$from_app"; then
  echo "planted DLLs loaded:"
  grep -a ': native' <<< "$from_app"
  status=1
fi
[ -z "$from_app" ] || { echo "looked up beside the installer, Wine's built-in copy mapped:"; echo "$from_app"; }
# Without the trace there is no second witness: say so rather than pass on the marker alone.
grep -aq 'loaddll:.*Loaded.*KESTRALON.EXE' "$E2E_OUTPUT/wine.log" || { echo "no loaddll trace in wine.log"; status=1; }
exit $status
