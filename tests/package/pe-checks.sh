#!/usr/bin/env bash
# What Windows reads from our executables before any of our code runs, checked without running
# them: the DLLs they import and the installer's manifest.
#
# pe-checks.sh --arch x86|x64 --installer KESTRALON.EXE --client FTP.EXE
# Prints one line for each fault; exit status 0 when there is none.
#
# Imports: Windows looks for an imported DLL in the program's folder first unless it is a KnownDLL
# (or, like COMCTL32 version 6, redirected by the manifest), so a DLL of that name planted beside
# the program (a Downloads folder) would run before our first line. Only KnownDLLs are allowed:
# those that Windows 7 to 11 all list under Session Manager\KnownDLLs.
set -uo pipefail
arch='' installer='' client=''
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --installer) installer=$2; shift 2 ;;
    --client) client=$2; shift 2 ;;
    *) echo "pe-checks: unknown option $1" >&2; exit 2 ;;
  esac
done
case "$arch" in
  x86) objdump=i686-w64-mingw32-objdump manifest_arch=X86 ;;
  x64) objdump=x86_64-w64-mingw32-objdump manifest_arch=amd64 ;;
  *) echo "pe-checks: --arch x86 or x64" >&2; exit 2 ;;
esac
known_dlls='ADVAPI32 CLBCATQ COMDLG32 DIFXAPI GDI32 IMAGEHLP IMM32 KERNEL32 MSCTF MSVCRT NORMALIZ NSI OLE32
  OLEAUT32 PSAPI RPCRT4 SECHOST SETUPAPI SHELL32 SHLWAPI USER32 WLDAP32 WS2_32'

faults=0
fault() { echo "FAILED: $*"; faults=$((faults + 1)); }

# The DLLs an executable may import, by file: the installer also COMCTL32, which its manifest
# takes from the side-by-side store.
while read -r file extra; do
  [ -f "$file" ] || { fault "$file is missing"; continue; }
  imports=$(LC_ALL=C "$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr a-z A-Z | sed 's/\.DLL$//')
  [ -n "$imports" ] || fault "$file: no imports found"
  for dll in $imports; do
    [[ " $known_dlls $extra " == *[[:space:]]"$dll"[[:space:]]* ]] || fault "$file imports $dll.DLL, which is no KnownDLL"
  done
done << TABLE
$installer COMCTL32
$client
TABLE

# The installer's manifest, as embedded (plain UTF-8 text in the resource section).
manifest_has() { # manifest_has WHAT TEXT
  grep -qaF "$2" "$installer" || fault "$installer: its manifest lacks $1 ($2)"
}
manifest_has "the themed common controls" 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
manifest_has "its architecture" "processorArchitecture=\"$manifest_arch\""
manifest_has "no request for rights" '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'
while read -r version id; do
  manifest_has "Windows $version as a supported system" "<supportedOS Id=\"{$id}\"/>"
done << TABLE
7 35138b9a-5d96-4fbd-8e2d-a2440225f93a
8 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38
8.1 1f676c76-80e1-4239-95bb-83d0f6d0da78
10/11 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a
TABLE
manifest_has "system DPI awareness" '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'
manifest_has "per-monitor v2 DPI awareness" '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, System</dpiAwareness>'
exit $((faults > 0))
