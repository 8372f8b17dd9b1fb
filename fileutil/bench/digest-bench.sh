#!/bin/bash
# Which SHA-256 engine the support log should use for the product file: digest_bench under Wine
# hashes a 1 GiB file (SIZE, default 1G; random bytes, so that nothing is special about them) with
# Windows' CNG and with our own implementation, in alternating rounds (ROUNDS, default 3), and
# prints the median of each and their ratio. KESTRALON_BUILD names the Windows build tree (default:
# the tree of this machine's architecture, testbed/arch.sh).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/testbed/wine-env.sh"
bench=$KESTRALON_BUILD/fileutil/digest_bench.exe
[ -f "$bench" ] || { echo "digest-bench: $bench is missing; build the Windows tree first" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/digest-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
head -c "${SIZE:-1G}" /dev/urandom > "$work/product.savf"
"$KESTRALON_WINE" "$bench" "Z:${work//\//\\}\\product.savf" "${ROUNDS:-3}" > "$work/out.txt" 2> "$work/err.txt" ||
  { cat "$work/out.txt" "$work/err.txt" >&2; exit 1; }
cat "$work/out.txt"
echo "sha256sum: $(sha256sum "$work/product.savf" | cut -c1-64)"
