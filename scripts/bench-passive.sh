#!/usr/bin/env bash
# What the passive-mode fallback costs: the same installation of the demo product, from OK to the
# success message, against a substitute host that takes active mode and against one that blocks
# it (--block-active: the check's first upload fails with 425 and runs again in passive mode with
# the installer's own client, and so do the later jobs). Rounds alternate; prints the median of
# each and their ratio. Needs the two builds (scripts/build.sh); run as root (port 21 of a
# loopback address). ROUNDS, default 5. The Japanese pair (KESTRALON_FTP_LANGUAGE=en: the English
# one).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${ROUNDS:-5}
pair=${KESTRALON_FTP_LANGUAGE:-ja}
pair_args=$([ "$pair" = en ] || echo --japanese)
source "$root/testbed/wine-env.sh"
[ -x "$KESTRALON_BUILD/bin/KESTRALON.EXE" ] || { echo "bench-passive: build first (scripts/build.sh)" >&2; exit 1; }
bash "$root/testbed/prepare-prefix.sh"
source "$root/testbed/xvfb.sh"
start_xvfb || { echo "bench-passive: Xvfb did not start" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-passive.XXXXXX")
trap 'stop_xvfb; rm -rf "$work"' EXIT
address=127.0.0.90
scenarios="$root/tests/e2e/workflows/scenarios"
printf 'define ADDRESS %s\ninclude "Z:%s"\n' "$address" "${scenarios//\//\\\\}/install_plain.txt" > "$work/scenario.txt"

# One installation; prints the seconds from OK to the success message (the driver's own clock).
install_once() { # install_once NAME HOST_ARGS
  local hooks="$work/hooks-$1"
  mkdir -p "$hooks"
  for hook in setup teardown; do
    printf "export NATIVE_BUILD='%s' HOST_ADDRESS='%s' TEMP_BYTES='' HOST_ARGS='%s' HOST_LIBRARIES='' HOST_EXPECT=''\nexec bash %s\n" \
      "$root/build/native" "$address" "$2 $pair_args" "$root/tests/e2e/workflows/host-$hook.sh" > "$hooks/$hook.sh"
  done
  KESTRALON_TEST_OUTPUT="$work/out" bash "$root/tests/e2e/run-e2e.sh" --name "$1" --build "$KESTRALON_BUILD" \
    --scenario "$work/scenario.txt" --config "$root/tests/e2e/workflows/product.ini" \
    --savf "$root/build/native/demo/PRODUCT.SAVF" --setup "$hooks/setup.sh" --teardown "$hooks/teardown.sh" \
    --env KESTRALON_FTP_LANGUAGE="$pair" --time-limit 120 > /dev/null 2>&1 || { echo "bench-passive: $1 failed" >&2; return 1; }
  awk '/ ok .*press OK/ && !ok { ok = $1 } / ok .*msgbox / { done = $1 } END { printf "%.2f\n", done - ok }' \
    "$work/out/$1/driver.log"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: > "$work/active.txt"
: > "$work/fallback.txt"
for round in $(seq "$rounds"); do
  install_once "active-$round" "" >> "$work/active.txt"
  install_once "fallback-$round" "--block-active" >> "$work/fallback.txt"
done
active=$(median < "$work/active.txt")
fallback=$(median < "$work/fallback.txt")
echo "bench-passive: the $pair pair, $rounds rounds each, OK to success message (median seconds)"
echo "  active mode open:      $active   (rounds: $(tr '\n' ' ' < "$work/active.txt"))"
echo "  active mode blocked:   $fallback   (rounds: $(tr '\n' ' ' < "$work/fallback.txt"))"
awk -v a="$active" -v f="$fallback" 'BEGIN { printf "  ratio blocked/open:    %.2f (the fallback adds %.2f s)\n", f / a, f - a }'
