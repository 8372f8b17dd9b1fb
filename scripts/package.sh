#!/usr/bin/env bash
# Makes what a software maker ships to its customers: a folder and a zip holding KESTRALON.EXE
# (built with the given host object and optionally Authenticode-signed), CONFIG.INI in code page
# 932 with CR LF, and the product save file, plus a SHA-256 list of the zip and of its files.
# Run with --help for the options. Every input is checked before anything is written or built; a
# refusal is one line on standard error and exit status 2, a failure after the checks (build,
# signing) exit status 1. The results appear in the output folder only once they are complete.
set -euo pipefail
export LC_ALL=C.UTF-8 # character-wise checks of the UTF-8 product name
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
test_host_object="$root/res/hostobj.savf"
record_bytes=528
# The installer reads each setting into 1024 bytes: a longer product name would be cut, perhaps in
# the middle of a double-byte character, and the window title built from it with it.
name_limit=1023
password_variable=KESTRALON_SIGN_PASSWORD

usage() {
  cat << EOF
usage: bash scripts/package.sh --product FILE --name NAME --library LIB --out DIR
                               [--host-object FILE] [--test-host-object] [--out-base NAME]
                               [--sign-pkcs12 FILE] [--timestamp URL] [--build-dir DIR]
                               [--arch x86|x64]

  --product FILE      the product's save file (whole 528-byte records); shipped under its own name
  --name NAME         the product name (UTF-8); the window title is NAME + " アップローダー"
  --library LIB       the library the product was saved from (an IBM i name in upper case)
  --out DIR           where <base>/, <base>.zip and <base>.sha256 are written (replaced if there)
  --host-object FILE  the host object save file built on the IBM i from hostsrc/
  --test-host-object  allows the test image res/hostobj.savf (the default host object), which
                      works only with the substitute host; the names made then end in
                      -TEST-HOST-OBJECT
  --out-base NAME     the base name of what is made (default: the library)
  --sign-pkcs12 FILE  Authenticode-signs KESTRALON.EXE with this certificate and key; the
                      password is read from the environment variable $password_variable
  --timestamp URL     an RFC 3161 timestamp server for the signature
  --build-dir DIR     the Windows build tree for the package (default: build/package for x86,
                      build/package-x64 for x64)
  --arch x86|x64      the processor architecture of KESTRALON.EXE (default x86: 32-bit, which
                      runs on every Windows); an x64 package's names end in -X64

exit status: 0 made, 1 failed (build, signing), 2 refused (nothing written)
EOF
}

refuse() {
  echo "package: $*" >&2
  exit 2
}
fail() {
  echo "package: $*" >&2
  exit 1
}

product='' name='' library='' out='' host_object='' allow_test_object=0 base=''
pkcs12='' timestamp='' build_dir='' arch=x86
while [ $# -gt 0 ]; do
  case "$1" in
    --product | --name | --library | --out | --host-object | --out-base | --sign-pkcs12 | --timestamp | --build-dir | --arch)
      [ $# -ge 2 ] || refuse "$1 needs a value"
      case "$1" in
        --product) product=$2 ;;
        --name) name=$2 ;;
        --library) library=$2 ;;
        --out) out=$2 ;;
        --host-object) host_object=$2 ;;
        --out-base) base=$2 ;;
        --sign-pkcs12) pkcs12=$2 ;;
        --timestamp) timestamp=$2 ;;
        --build-dir) build_dir=$2 ;;
        --arch) arch=$2 ;;
      esac
      shift 2
      ;;
    --test-host-object) allow_test_object=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) refuse "unknown argument $1 (see --help)" ;;
  esac
done
for option in product name library out; do
  [ -n "${!option}" ] || refuse "--$option is needed (see --help)"
done

# --- Checks. Nothing is written until all of them pass. ---

case "$arch" in
  x86) compiler=i686-w64-mingw32-g++-posix ;;
  x64) compiler=x86_64-w64-mingw32-g++-posix ;;
  *) refuse "--arch '$arch' is neither x86 nor x64" ;;
esac
if [ -z "$build_dir" ]; then
  build_dir="$root/build/package"
  [ "$arch" = x86 ] || build_dir="$build_dir-$arch"
fi
# CMake keeps the toolchain a tree was first configured with: another would silently be ignored.
if [ -f "$build_dir/kestralon-arch" ] && [ "$(cat "$build_dir/kestralon-arch")" != "$arch" ]; then
  refuse "--build-dir $build_dir was configured for $(cat "$build_dir/kestralon-arch"), not $arch; give another --build-dir"
fi

# A save file of whole records, as a host accepts it: $1 what it is, $2 the file.
check_save_file() {
  [ -f "$2" ] || refuse "$1 $2 does not exist or is not a file"
  [ -r "$2" ] || refuse "$1 $2 cannot be read"
  local size
  size=$(stat -c %s "$2")
  [ "$size" -gt 0 ] || refuse "$1 $2 is empty"
  [ $((size % record_bytes)) -eq 0 ] ||
    refuse "$1 $2 has $size bytes, not a whole number of $record_bytes-byte save-file records (downloaded in ASCII mode?)"
}

# A name for a file the customer's Windows gets, kept to characters every system and zip tool
# writes alike: $1 what it is, $2 the name.
check_file_name() {
  [[ $2 =~ ^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$ ]] ||
    refuse "$1 '$2' must be 1 to 64 of A-Z a-z 0-9 . _ - and start with a letter or digit"
}

# Our test images begin with this magic; a real save file never does.
is_test_image() { [ "$(head -c 8 "$1" | od -An -v -tx1 | tr -d ' \n')" = 4b53415646494d47 ]; }

check_save_file "product file" "$product"
product_file=$(basename "$product")
check_file_name "product file name" "$product_file"
case "${product_file^^}" in
  KESTRALON.EXE | CONFIG.INI) refuse "product file name '$product_file' is taken by the installer's own files" ;;
esac

# The installer's rule for library names (IsValidIbmiName); it is put into CL commands as it is.
[[ $library =~ ^[A-Z\$#@][A-Z0-9\$#@_.]{0,9}$ ]] ||
  refuse "library '$library' is not an IBM i name: 1 to 10 of A-Z 0-9 \$ # @ _ . in upper case, not starting with a digit, _ or ."

# The installer trims blanks around settings and reads a value in quotation marks without them.
name="${name#"${name%%[! ]*}"}"
name="${name%"${name##*[! ]}"}"
[ -n "$name" ] || refuse "the product name is empty"
iconv -f UTF-8 -t UTF-8 <<< "$name" > /dev/null 2>&1 || refuse "the product name is not valid UTF-8"
[[ ! $name =~ [[:cntrl:]] ]] || refuse "the product name contains a control character (a line break?)"
[[ ! $name =~ ^\".*\"$|^\'.*\'$ ]] || refuse "the product name is in quotation marks, which the installer would drop"
if ! name_cp932=$(printf '%s' "$name" | iconv -f UTF-8 -t CP932 2> /dev/null | od -An -v -tx1 | tr -d ' \n'); then
  for ((i = 0; i < ${#name}; i++)); do
    printf '%s' "${name:i:1}" | iconv -f UTF-8 -t CP932 > /dev/null 2>&1 ||
      refuse "the product name has a character that code page 932 lacks: '${name:i:1}'"
  done
  refuse "the product name cannot be written in code page 932"
fi
name_bytes=$((${#name_cp932} / 2))
[ "$name_bytes" -le "$name_limit" ] ||
  refuse "the product name is $name_bytes bytes in code page 932; the installer reads at most $name_limit"

test_object=0
if [ -n "$host_object" ]; then
  check_save_file "host object" "$host_object"
  is_test_image "$host_object" && test_object=1
else
  host_object=$test_host_object
  test_object=1
fi
if [ "$test_object" = 1 ] && [ "$allow_test_object" = 0 ]; then
  refuse "the host object $host_object is our test image, which a real IBM i cannot restore; give the one built from hostsrc/ with --host-object (or --test-host-object to package the test image anyway)"
fi

[ -n "$base" ] || base=$library
check_file_name "--out-base" "$base"
[ "$arch" = x86 ] || base="$base-X64"
[ "$test_object" = 0 ] || base="$base-TEST-HOST-OBJECT"
[ ! -e "$out" ] || [ -d "$out" ] || refuse "--out $out exists and is not a folder"

if [ -n "$timestamp" ]; then
  [ -n "$pkcs12" ] || refuse "--timestamp needs --sign-pkcs12"
  [[ $timestamp =~ ^https?://[^[:space:]]+$ ]] || refuse "--timestamp '$timestamp' is not an http:// or https:// URL"
fi
if [ -n "$pkcs12" ]; then
  if [ ! -f "$pkcs12" ] || [ ! -r "$pkcs12" ]; then refuse "--sign-pkcs12 $pkcs12 is not a readable file"; fi
  [ -n "${!password_variable+set}" ] || refuse "$password_variable is not set: it holds the password of $pkcs12"
  # The password goes to openssl by the variable's name, never as an argument (visible in ps).
  openssl pkcs12 -in "$pkcs12" -noout -passin "env:$password_variable" > /dev/null 2>&1 ||
    openssl pkcs12 -legacy -in "$pkcs12" -noout -passin "env:$password_variable" > /dev/null 2>&1 ||
    refuse "$pkcs12 cannot be opened with the password in $password_variable"
fi

for tool in cmake ninja "$compiler" python3 $([ -z "$pkcs12" ] || echo osslsigncode); do
  command -v "$tool" > /dev/null || fail "$tool is missing; run scripts/setup.sh as root"
done

# --- The build: a tree of its own, so that the development build keeps its host object. ---

mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)
build_log="$build_dir/package-build.log"
# A fixed name in the build tree keeps odd characters of the given path out of the resource
# script; copied only when it changed, so an unchanged package is not relinked.
embedded="$build_dir/host-object.savf"
cmp -s "$host_object" "$embedded" || cp "$host_object" "$embedded"
# Signs IN into OUT with --sign-pkcs12, or copies it when there is no certificate; a failed signing
# shows osslsigncode's log and ends the packaging. The password reaches osslsigncode through a pipe
# that a shell builtin writes, not as an argument.
sign_or_copy() { # sign_or_copy IN OUT LOG WHAT
  if [ -z "$pkcs12" ]; then
    cp "$1" "$2"
    return
  fi
  local timestamp_args=()
  [ -z "$timestamp" ] || timestamp_args=(-ts "$timestamp")
  osslsigncode sign -pkcs12 "$pkcs12" -readpass <(printf '%s' "${!password_variable}") -h sha256 \
    "${timestamp_args[@]}" -in "$1" -out "$2" > "$3" 2>&1 || {
    cat "$3" >&2
    fail "signing $4 failed"
  }
}
# Builds the given targets of the package's tree, or ends the packaging with the log's last lines.
build_targets() {
  ninja -C "$build_dir" -j "${KESTRALON_JOBS:-2}" "$@" >> "$build_log" 2>&1 || {
    tail -n 20 "$build_log" >&2
    fail "the build failed (see $build_log)"
  }
}

# KESTRALON.EXE carries our ftp client, which it starts in passive mode when the customer's
# firewall blocks active mode: every program the installer starts is signed, so that client is
# signed before it is embedded. It is built first, in the same tree.
echo "package: building KESTRALON.EXE ($arch) in $build_dir (log: $build_log)"
client="$build_dir/ftp-client.exe"
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKESTRALON_HOST_OBJECT="$embedded" -DKESTRALON_FTP_CLIENT="$client" \
  > "$build_log" 2>&1 || {
  tail -n 20 "$build_log" >&2
  fail "configuring the build failed (see $build_log)"
}
build_targets ftp
sign_or_copy "$build_dir/ftpclient/ftp.exe" "$client.new" "$build_dir/sign-client.log" "the embedded ftp client"
# Replaced only when it changed, so that an unchanged package is not relinked.
if cmp -s "$client.new" "$client"; then rm -f "$client.new"; else mv -f "$client.new" "$client"; fi
build_targets kestralon

# --- The package, made in a folder of its own inside the output folder and moved into place. ---

made_out=0
[ -d "$out" ] || made_out=1
mkdir -p "$out"
stage=$(mktemp -d "$out/.package.XXXXXX")
trap 'rm -rf "$stage"; [ "$made_out" = 0 ] || rmdir "$out" 2> /dev/null || true' EXIT
folder="$stage/$base"
mkdir "$folder"

sign_or_copy "$build_dir/bin/KESTRALON.EXE" "$folder/KESTRALON.EXE" "$stage/sign.log" KESTRALON.EXE
cp "$product" "$folder/$product_file"
{
  printf '[Profile]\r\nExeName=KESTRALON\r\n[Settings]\r\nProductName='
  printf '%s' "$name" | iconv -f UTF-8 -t CP932
  printf '\r\nSaveFile=%s\r\nTargetLibrary=%s\r\n' "$product_file" "$library"
} > "$folder/CONFIG.INI"

members=("$base/KESTRALON.EXE" "$base/CONFIG.INI" "$base/$product_file")
python3 - "$stage" "$base.zip" "${members[@]}" << 'EOF'
import sys, zipfile
stage, archive, members = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(f"{stage}/{archive}", "w", zipfile.ZIP_DEFLATED) as z:
    for member in members:
        z.write(f"{stage}/{member}", member)
EOF
(cd "$stage" && sha256sum "$base.zip" "${members[@]}") > "$stage/$base.sha256"

rm -rf "${out:?}/$base" "$out/$base.zip" "$out/$base.sha256"
mv "$folder" "$out/$base"
mv "$stage/$base.zip" "$out/"
mv "$stage/$base.sha256" "$out/" # last: its presence says the rest is complete
echo "package: made $out/$base.zip, the folder $out/$base and $out/$base.sha256"
[ "$test_object" = 0 ] || echo "package: this installer carries the TEST host object: it works only against the substitute host" >&2
[ -n "$pkcs12" ] || echo "package: KESTRALON.EXE is not signed (--sign-pkcs12)" >&2
