#!/usr/bin/env bash
# The test bed's choice of Windows architecture on both kinds of machine, whichever this one is:
# the probe is replaced by each answer in turn, so a path this machine cannot take is still checked.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failed=0

# row RUNS_I386 KESTRALON_ARCH STATUS ARCH CHOICE "in the summary"
row() {
  local runs=$1 asked=$2 status=$3 arch=$4 choice=$5 summary=$6 out
  out=$(
    source "$root/testbed/arch.sh"
    kestralon_runs_i386() { [ "$runs" = yes ]; }
    if [ -n "$asked" ]; then export KESTRALON_ARCH=$asked; else unset KESTRALON_ARCH; fi
    kestralon_arch 2>&1 || { echo "status=$?"; exit 0; }
    echo "status=0 $KESTRALON_ARCH $KESTRALON_ARCH_CHOICE"
    kestralon_arch_summary TREE
  )
  local want="status=$status"
  [ "$status" = 0 ] && want="status=0 $arch $choice"
  if [[ $out != *"$want"* || $out != *"$summary"* ]]; then
    printf 'FAILED runs i386: %s, KESTRALON_ARCH=%s\n  got: %s\n' "$runs" "$asked" "$out"
    failed=$((failed + 1))
  fi
}
row yes '' 0 x86 detected "tested as x86, the shipped 32-bit build"
row no '' 0 x64 detected "tested as x64 (TREE), since this kernel runs no 32-bit programs"
row yes x64 0 x64 forced "forced by KESTRALON_ARCH=x64; this kernel runs 32-bit programs"
row no x64 0 x64 forced "forced by KESTRALON_ARCH=x64 (this kernel runs no 32-bit programs"
row yes x86 0 x86 forced "tested as x86"
row no x86 1 - - "KESTRALON_ARCH=x86, but this kernel runs no 32-bit programs"
row yes arm64 1 - - "KESTRALON_ARCH='arm64' is neither x86 nor x64"

# What setup installs: everything for building and packaging both architectures on either kind of
# machine; 32-bit Wine only where it can run.
source "$root/testbed/arch.sh"
for arch in x86 x64; do
  packages=" $(kestralon_packages $arch | tr '\n' ' ') "
  for needed in g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 osslsigncode; do
    [[ $packages == *" $needed "* ]] || { echo "FAILED setup for $arch lacks $needed"; failed=$((failed + 1)); }
  done
  has32=no
  [[ $packages == *" wine32:i386 "* ]] && has32=yes
  [ "$has32" = "$([ $arch = x86 ] && echo yes || echo no)" ] ||
    { echo "FAILED setup for $arch: wine32:i386 $has32"; failed=$((failed + 1)); }
done

[ "$failed" = 0 ] && echo "arch-test: all rows passed" || echo "arch-test: $failed rows failed"
[ "$failed" = 0 ]
