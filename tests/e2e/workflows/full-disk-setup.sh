#!/usr/bin/env bash
# Setup hook of a full-disk test: the test's TEMP becomes a small file system of TEMP_BYTES,
# then the usual substitute host starts.
set -euo pipefail
mount -t tmpfs -o "size=$TEMP_BYTES" tmpfs "$E2E_TEMP"
exec bash "$(dirname "${BASH_SOURCE[0]}")/host-setup.sh"
