#!/usr/bin/env bash
# Teardown hook of a full-disk test: stops the host and removes the small file system.
bash "$(dirname "${BASH_SOURCE[0]}")/host-teardown.sh"
umount "$E2E_TEMP" 2> /dev/null || umount -l "$E2E_TEMP" 2> /dev/null
exit 0
