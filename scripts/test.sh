#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds both trees, and runs through ctest the
# native unit tests (under ASan and UBSan), then the Windows-side unit tests and the end-to-end
# tests under Wine on one Xvfb. The Windows side runs in this machine's architecture
# (testbed/arch.sh): the shipped x86 build where the kernel runs 32-bit programs, else the x64
# build. Test output (screenshots, logs) goes to build/*/test-output.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native="$root/build/native"
jobs=${KESTRALON_JOBS:-2}

source "$root/testbed/arch.sh"
kestralon_arch || exit 1
win=$(kestralon_win_tree "$root" "$KESTRALON_ARCH")
bash "$root/scripts/build.sh" || { echo "test: the build failed"; exit 1; }

export KESTRALON_BUILD="$win"
source "$root/testbed/wine-env.sh" || exit 1
bash "$root/testbed/prepare-prefix.sh" || { echo "test: the Wine prefix could not be prepared"; exit 1; }
bash "$root/testbed/install-ftp.sh" || { echo "test: ftp.exe could not be installed"; exit 1; }
source "$root/testbed/xvfb.sh"
start_xvfb || { echo "test: Xvfb did not start"; exit 1; }
trap 'stop_xvfb; "$KESTRALON_WINESERVER" -k >/dev/null 2>&1 || true' EXIT

passed=0
failed=0
run_ctest() {
  local log="$1/test-output/ctest.log"
  mkdir -p "$1/test-output"
  ctest --test-dir "$1" --output-on-failure -j "$jobs" --timeout 600 2>&1 | tee "$log"
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    failed=$((failed + 1))  # ctest itself did not finish
    return
  fi
  local total bad
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}
run_ctest "$native"
run_ctest "$win"
echo "screenshots and logs: $native/test-output and $win/test-output"
kestralon_arch_summary "$win" | sed 's/^/test: /'
echo "ctest: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
