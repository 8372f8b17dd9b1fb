#!/usr/bin/env bash
# The refusals of scripts/package.sh, one row each: exit status 2, one line on standard error that
# names the fault, nothing written to the output folder (which holds an earlier package) and no
# build started. "accepted" rows must pass every check; their build is pointed at a path that
# cannot be made, so they end there with exit status 1 and nothing written either.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/package-refusals.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

records() { head -c $(($2 * 528)) /dev/urandom > "$1"; }
records PRODUCT.SAVF 2
records REAL.SAVF 3
records 'PRODUCT 1.SAVF' 1
records CONFIG.INI 1
cp "$root/res/hostobj.savf" TEST.SAVF
head -c 1000 /dev/urandom > CUT.SAVF
: > EMPTY.SAVF
echo 'not a folder' > FILE
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=Refusals \
  > /dev/null 2>&1
SIGN_RIGHT='right' openssl pkcs12 -export -inkey key.pem -in cert.pem -out signer.p12 -passout env:SIGN_RIGHT
mkdir out && echo earlier > out/OLD.zip

export KESTRALON_SIGN_PASSWORD=right
good=(--product PRODUCT.SAVF --name 受注管理 --library SAMPLIB --host-object REAL.SAVF --out out)
failed=0
# row EXPECTED_STATUS "what stderr says" ARGUMENT... (later arguments override the good ones)
row() {
  local status=$1 expect=$2
  shift 2
  local err actual
  err=$(bash "$root/scripts/package.sh" "${good[@]}" --build-dir /dev/null/build "$@" 2>&1 > /dev/null)
  actual=$?
  local problem=''
  if [ "$actual" != "$status" ]; then
    problem="exit status $actual, not $status"
  elif [ "$status" = 2 ] && [ "$(wc -l <<< "$err")" != 1 ]; then
    problem='not one line on stderr'
  elif [[ $err != *"$expect"* ]]; then
    problem="stderr lacks '$expect'"
  elif [ "$(ls -A out)" != OLD.zip ] || [ "$(cat out/OLD.zip)" != earlier ]; then
    problem="the output folder changed: $(ls -A out | tr '\n' ' ')"
  fi
  if [ -n "$problem" ]; then
    printf 'FAILED %s: %s\n  stderr: %s\n' "$*" "$problem" "$err"
    failed=$((failed + 1))
  fi
}
long_name=$(printf 'あ%.0s' $(seq 512))

row 2 "product file MISSING.SAVF does not exist" --product MISSING.SAVF
row 2 "product file EMPTY.SAVF is empty" --product EMPTY.SAVF
row 2 "1000 bytes, not a whole number of 528-byte" --product CUT.SAVF
row 2 "product file name 'PRODUCT 1.SAVF'" --product 'PRODUCT 1.SAVF'
row 2 "taken by the installer's own files" --product CONFIG.INI
row 2 "library 'samplib' is not an IBM i name" --library samplib
row 2 "library 'SAMPLIBRARY' is not" --library SAMPLIBRARY
row 2 "library '1LIB' is not" --library 1LIB
row 2 "library 'SAMP LIB' is not" --library 'SAMP LIB'
row 2 "the product name is empty" --name '   '
row 2 "control character" --name $'受注\n[Settings]'
row 2 "in quotation marks" --name '"受注管理"'
row 2 "not valid UTF-8" --name $'\xff\xfe'
row 2 "code page 932 lacks: '한'" --name '受注한'
row 2 "1024 bytes in code page 932; the installer reads at most 1023" --name "$long_name"
row 1 "/dev/null" --name "${long_name%あ}x" # 1023 bytes
row 1 "/dev/null" --name ' 表ソフト ｿ ' # 0x5C trail bytes, half-width katakana, blanks trimmed
row 2 "TEST.SAVF is our test image" --host-object TEST.SAVF
row 2 "hostobj.savf is our test image" --host-object ''
row 1 "/dev/null" --host-object TEST.SAVF --test-host-object
row 2 "host object CUT.SAVF has 1000 bytes" --host-object CUT.SAVF
row 2 "--out FILE exists and is not a folder" --out FILE
row 2 "--out-base 'A/B' must be" --out-base A/B
row 2 "--timestamp needs --sign-pkcs12" --timestamp http://ts.invalid/
row 2 "is not an http:// or https:// URL" --sign-pkcs12 signer.p12 --timestamp ftp://ts.invalid/
row 2 "--sign-pkcs12 NONE.p12 is not a readable file" --sign-pkcs12 NONE.p12
row 2 "cannot be opened with the password in KESTRALON_SIGN_PASSWORD" --sign-pkcs12 cert.pem
row 1 "/dev/null" --sign-pkcs12 signer.p12
row 2 "--arch 'arm64' is neither x86 nor x64" --arch arm64
row 1 "/dev/null" --arch x64
mkdir x86-tree && echo x86 > x86-tree/kestralon-arch
row 2 "x86-tree was configured for x86, not x64" --arch x64 --build-dir x86-tree
# A machine without a compiler for the architecture asked (setup installs both): the packaging ends
# before it builds anything, and says what to do. Played with a PATH that lacks the x86-64 compiler,
# so that the row does not depend on what this machine has.
mkdir without-x64
for tool in /usr/local/bin/* /usr/bin/*; do
  [ "${tool##*/}" = x86_64-w64-mingw32-g++-posix ] || ln -sf "$tool" without-x64/ 2> /dev/null
done
PATH="$PWD/without-x64" row 1 "x86_64-w64-mingw32-g++-posix is missing; run scripts/setup.sh" --arch x64
row 2 "unknown argument --sign-password" --sign-pkcs12 signer.p12 --sign-password right
KESTRALON_SIGN_PASSWORD=wrong row 2 "cannot be opened with the password" --sign-pkcs12 signer.p12
unset KESTRALON_SIGN_PASSWORD
row 2 "KESTRALON_SIGN_PASSWORD is not set" --sign-pkcs12 signer.p12

[ "$failed" = 0 ] && echo "package refusals: all rows passed" || echo "package refusals: $failed rows failed"
[ "$failed" = 0 ]
