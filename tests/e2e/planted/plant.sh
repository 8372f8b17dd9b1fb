#!/usr/bin/env bash
# Setup hook: the planted DLL beside the installer, under the names of DLLs that the file-open
# dialog loads while it runs (seen under Wine with WINEDEBUG=+loaddll) and that are no KnownDLLs.
set -euo pipefail
for name in $PLANTED_NAMES; do cp "$E2E_BUILD/tests/e2e/planted/planted.dll" "$E2E_APP/$name"; done
