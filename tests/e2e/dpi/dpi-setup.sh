#!/usr/bin/env bash
# Setup hook of a DPI test: the display scale of the Wine prefix (LogPixels, read by every program
# that starts afterwards), then the workflow tests' substitute host. DPI comes from the generated
# wrapper, with the host's settings.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../../testbed/wine-env.sh"
"$KESTRALON_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f > /dev/null 2>&1
exec bash "$here/../workflows/host-setup.sh"
