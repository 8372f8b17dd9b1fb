#!/usr/bin/env bash
# Teardown hook of a DPI test: the prefix back at Wine's 96 DPI for every other test, and the host
# stopped.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../../testbed/wine-env.sh"
"$KESTRALON_WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f > /dev/null 2>&1
exec bash "$here/../workflows/host-teardown.sh"
