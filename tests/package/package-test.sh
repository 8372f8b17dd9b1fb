#!/usr/bin/env bash
# Packages the demo product with a made-up "real" host object (random 528-byte records) and a
# self-signed certificate, then checks what a customer gets: the zip's members against the folder,
# the code page 932 bytes and CR LF of CONFIG.INI, the host object inside KESTRALON.EXE, the SHA-256
# list, the signature, and that the installer unzipped from the archive starts under Wine. Then:
# a signing that fails after the build leaves the output folder as it was, and packaging with the
# test host object says so in its names. The package is made for the architecture of the build
# tree, which this machine runs; the other architecture's package is made as well and checked
# without running it (PE format, GUI subsystem, KnownDLLs only, manifest, signature).
#
# package-test.sh --build WINDOWS_BUILD_DIR --native NATIVE_BUILD_DIR
# Exit status 0 passed, 1 failed, 77 skipped (no native build for the demo product).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build='' native=''
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --native) native=$2; shift 2 ;;
    *) echo "package-test: unknown option $1" >&2; exit 1 ;;
  esac
done
product="$native/demo/PRODUCT.SAVF"
if [ -z "$native" ] || [ ! -f "$product" ]; then
  echo "package-test: no demo product (KESTRALON_NATIVE_BUILD unset or not built): skipped" >&2
  exit 77
fi
: "${KESTRALON_TEST_OUTPUT:=$build/test-output}"
work="$KESTRALON_TEST_OUTPUT/package_end_to_end"
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

failed=0
check() { # check "what" COMMAND...: a failed command fails the test and says what was wrong
  local what=$1
  shift
  "$@" || { echo "FAILED: $what"; failed=$((failed + 1)); }
}
arch=$(cat "$build/kestralon-arch" 2> /dev/null) || { echo "package-test: $build is no Windows build tree"; exit 1; }
base=SAMPLIB # what the package's names begin with
[ "$arch" = x86 ] || base=SAMPLIB-X64
package() { bash "$root/scripts/package.sh" --arch "$arch" --build-dir "$build/package-build" "$@"; }

# What can be checked of an installer without running it: $1 the architecture, $2 the executable,
# $3 the package's build tree (where the signed ftp client it embeds was made).
static_checks() {
  local objdump=i686-w64-mingw32-objdump format=pei-i386 magic='010b (PE32)'
  if [ "$1" = x64 ]; then
    objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 magic='020b (PE32+)'
  fi
  # objdump's own words are translated in a Japanese locale; blanks between its columns vary.
  LC_ALL=C "$objdump" -p "$2" | tr -s ' \t' ' ' > "headers-$1.txt" 2>&1
  check "$1: the executable is $format" grep -q "file format $format$" "headers-$1.txt"
  check "$1: its optional header is $magic" grep -qxF "Magic $magic" "headers-$1.txt"
  check "$1: it is a GUI program" grep -qxF 'Subsystem 00000002 (Windows GUI)' "headers-$1.txt"
  # Linked statically (no libstdc++, libgcc or winpthread), importing KnownDLLs only, in the
  # installer and in the ftp client it carries; the manifest: the architecture, no request for
  # rights, Windows 7 to 11, DPI awareness.
  bash "$here/pe-checks.sh" --arch "$1" --installer "$2" --client "$3/ftp-client.exe" > "pe-checks-$1.log" 2>&1
  check "$1: imports and manifest (pe-checks-$1.log)" test $? = 0
  osslsigncode verify -in "$2" -CAfile cert.pem > "verify-$1.log" 2>&1
  check "$1: the signature verifies (verify-$1.log)" grep -q 'Signature verification: ok' "verify-$1.log"
  check "$1: the signer is the test certificate" grep -q 'CN=Kestralon Package Test' "verify-$1.log"
  # The ftp client it starts in passive mode: embedded whole, and signed by the same signer.
  python3 -c 'import sys; sys.exit(open(sys.argv[1], "rb").read() not in open(sys.argv[2], "rb").read())' \
    "$3/ftp-client.exe" "$2" > /dev/null 2>&1
  check "$1: the executable carries the signed ftp client" test $? = 0
  osslsigncode verify -in "$3/ftp-client.exe" -CAfile cert.pem > "verify-client-$1.log" 2>&1
  check "$1: the embedded ftp client's signature verifies (verify-client-$1.log)" \
    grep -q 'Signature verification: ok' "verify-client-$1.log"
}

head -c $((441 * 528)) /dev/urandom > KV2207.SAVF
printf 'REALSAVF' | dd of=KV2207.SAVF conv=notrunc status=none # never our test magic by chance
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Kestralon Package Test" -addext extendedKeyUsage=codeSigning > /dev/null 2>&1
export KESTRALON_SIGN_PASSWORD='a "quoted" pass phrase'
openssl pkcs12 -export -inkey key.pem -in cert.pem -out signer.p12 -passout env:KESTRALON_SIGN_PASSWORD ||
  exit 1

name='受注管理ソフト' # ソ ends in 0x5C, the byte that a careless conversion loses
package --product "$product" --name "$name" --library SAMPLIB --host-object KV2207.SAVF \
  --sign-pkcs12 signer.p12 --out out || { echo "FAILED: packaging"; exit 1; }

check "the output folder holds exactly the package" test "$(ls -A out | tr '\n' ' ')" = "$base $base.sha256 $base.zip "
python3 - out "$base" "$product" << 'PY' || failed=$((failed + 1))
import sys, zipfile
out, base, product = sys.argv[1:]
expected = ["KESTRALON.EXE", "CONFIG.INI", "PRODUCT.SAVF"]
with zipfile.ZipFile(f"{out}/{base}.zip") as z:
    names = z.namelist()
    if names != [f"{base}/{n}" for n in expected]:
        sys.exit(f"FAILED: zip members {names}")
    for n in expected:
        if z.read(f"{base}/{n}") != open(f"{out}/{base}/{n}", "rb").read():
            sys.exit(f"FAILED: {n} in the zip differs from the folder's")
    z.extractall("unzipped")
if open(f"{out}/{base}/PRODUCT.SAVF", "rb").read() != open(product, "rb").read():
    sys.exit("FAILED: the product save file was changed")
PY
printf '[Profile]\r\nExeName=KESTRALON\r\n[Settings]\r\nProductName=\x8e\xf3\x92\x8d\x8a\xc7\x97\x9d\x83\x5c\x83\x74\x83\x67\r\nSaveFile=PRODUCT.SAVF\r\nTargetLibrary=SAMPLIB\r\n' > expected.ini
check "CONFIG.INI is code page 932 with CR LF" cmp out/$base/CONFIG.INI expected.ini
check "KESTRALON.EXE carries the given host object" python3 -c \
  'import sys; sys.exit(open(sys.argv[1], "rb").read() not in open(sys.argv[2], "rb").read())' \
  KV2207.SAVF out/$base/KESTRALON.EXE
check "the SHA-256 list covers the zip and its files" test "$(awk '{ print $2 }' out/$base.sha256 | tr '\n' ' ')" = \
  "$base.zip $base/KESTRALON.EXE $base/CONFIG.INI $base/PRODUCT.SAVF "
check "the SHA-256 list matches" bash -c "cd out && sha256sum --quiet -c $base.sha256"
static_checks "$arch" out/$base/KESTRALON.EXE "$build/package-build"

# The installer from the unzipped archive, on an Xvfb of the test's own and the build's prefix.
# No host is needed to open the form and cancel.
export KESTRALON_BUILD=$build
source "$root/testbed/wine-env.sh" || exit 1
source "$root/testbed/xvfb.sh"
if start_xvfb; then
  # A wineserver left by an earlier test would still draw on that test's display.
  timeout 30 "$KESTRALON_WINESERVER" -w
  check "the packaged installer starts under Wine" bash "$root/tests/e2e/run-e2e.sh" --name package_start \
    --build "$build" --app "$work/unzipped/$base" --scenario "$here/start_cancel.txt" --time-limit 60
  timeout 30 "$KESTRALON_WINESERVER" -w # nor may the next test find one drawing on this display
  stop_xvfb
else
  echo "FAILED: Xvfb did not start"
  failed=$((failed + 1))
fi

# A signing that fails after the build (a timestamp server that refuses) leaves nothing behind.
ls -lAR out > before.txt
package --product "$product" --name "$name" --library SAMPLIB --host-object KV2207.SAVF \
  --sign-pkcs12 signer.p12 --timestamp http://127.0.0.1:9/ --out out > failing.log 2>&1
check "a failed signing ends with exit status 1" test $? = 1
ls -lAR out > after.txt
check "a failed signing leaves the output folder as it was" cmp -s before.txt after.txt

# The test host object is packaged only when asked for, and its names say so.
package --product "$product" --name "$name" --library SAMPLIB --test-host-object --out out > test-object.log 2>&1
check "packaging the test host object when asked" test $? = 0
check "the test host object's package is named so" test -f out/$base-TEST-HOST-OBJECT.zip -a \
  -d out/$base-TEST-HOST-OBJECT -a -f out/$base-TEST-HOST-OBJECT.sha256
check "the earlier package is untouched" bash -c "cd out && sha256sum --quiet -c $base.sha256"

# The other architecture's package is built, signed and checked as far as that is possible without
# running it, whichever kind of machine this is: the shipped x86 one where this machine runs no
# 32-bit programs, the x64 one that a maker may build anywhere where it does.
other=x64 other_base=SAMPLIB-X64
[ "$arch" = x86 ] || other=x86 other_base=SAMPLIB
bash "$root/scripts/package.sh" --arch $other --build-dir "$build/package-build-$other" --product "$product" \
  --name "$name" --library SAMPLIB --host-object KV2207.SAVF --sign-pkcs12 signer.p12 --out out-$other > $other.log 2>&1
check "packaging for $other ($other.log)" test $? = 0
static_checks $other out-$other/$other_base/KESTRALON.EXE "$build/package-build-$other"
echo "package-test: the $other package was built and checked statically, not started"

[ "$failed" = 0 ] && echo "package-test: passed" || echo "package-test: $failed checks failed (output in $work)"
[ "$failed" = 0 ]
