#!/usr/bin/env bash
# The installer's folders form layers: each may include its own headers and those of the layers
# below it, never one above. The link already refuses most calls that run back up (each folder is
# a library that links only what is below it); this catches the includes, inline code included.
# Tests (folder/tests/) stand outside the layers.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# folder: the folders it may include from (res holds only the resource identifiers).
declare -A allowed=(
  [fileutil]="fileutil res"
  [ui]="ui fileutil res"
  [ftpjob]="ftpjob fileutil ui res"
  [tlstrust]="tlstrust fileutil"
  [progress]="progress ui res"
  [installer]="installer ftpjob tlstrust progress fileutil ui res"
  [app]="app installer ui fileutil res"
)

status=0
for folder in "${!allowed[@]}"; do
  while IFS= read -r hit; do
    file=${hit%%:*}
    included=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<< "$hit")
    if [[ " ${allowed[$folder]} " != *" $included "* ]]; then
      echo "layer broken: $file includes from $included/ (${folder}/ may use: ${allowed[$folder]})"
      status=1
    fi
  done < <(cd "$root" && grep -rHE '^#include "[a-z]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.rc' \
             | grep -v "^$folder/tests/")
done
[ $status = 0 ] && echo "layers: every include runs downwards"
exit $status
