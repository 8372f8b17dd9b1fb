#!/usr/bin/env bash
# Runs one end-to-end test: a fresh folder with KESTRALON.EXE, its CONFIG.INI and product file (or
# a packaged installer's folder, --app), a private TEMP, and the UI driver playing the scenario
# against the real windows under Wine.
# Called by ctest (see cmake/KestralonE2E.cmake); DISPLAY is set by the outer test command.
#
# run-e2e.sh --name NAME --build WINDOWS_BUILD_DIR --scenario FILE
#            [--config FILE | --no-config] [--savf FILE | --no-savf] [--savf-name NAME] [--app FOLDER]
#            [--setup SCRIPT] [--teardown SCRIPT] [--check SCRIPT] [--env NAME=VALUE]... [--no-temp]
#            [--allow-leftovers] [--time-limit SECONDS] [--temp-name NAME] [--netns NAME]
#
# Output: $KESTRALON_TEST_OUTPUT/NAME/ holds driver.log, the screenshots (PNG) and run/ (the
# installer's folder app/ and its TEMP temp/, or temp/NAME with --temp-name, for names that the
# command interpreter could misread, and its LOCALAPPDATA localappdata/, where its support log goes). --app FOLDER is used as the installer's folder as it is.
# --netns NAME runs the driver, and so the installer and its ftp client, in that network namespace
# (made by the setup hook). Exit status 0 passed, 1 failed, 77 skipped (no X display).
#
# Hooks run with E2E_NAME, E2E_OUTPUT, E2E_RUN, E2E_APP, E2E_TEMP, E2E_BUILD and E2E_ENV_FILE set;
# a setup hook may append NAME=VALUE lines to $E2E_ENV_FILE, which reach the driver and the
# installer (for example the address of a substitute host it started). The teardown hook runs
# whatever happened, also when setup failed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_root=$(cd "$here/../.." && pwd)

name='' build='' scenario='' config='' no_config=0 savf='' no_savf=0 savf_name=PRODUCT.SAVF
app_given='' setup='' teardown='' check='' no_temp=0 allow_leftovers=0 time_limit=75 temp_name= netns=
extra_env=()
while [ $# -gt 0 ]; do
  case "$1" in
    --name) name=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --scenario) scenario=$2; shift 2 ;;
    --config) config=$2; shift 2 ;;
    --no-config) no_config=1; shift ;;
    --savf) savf=$2; shift 2 ;;
    --no-savf) no_savf=1; shift ;;
    --savf-name) savf_name=$2; shift 2 ;;
    --app) app_given=$2; shift 2 ;;
    --setup) setup=$2; shift 2 ;;
    --teardown) teardown=$2; shift 2 ;;
    --check) check=$2; shift 2 ;;
    --env) extra_env+=("$2"); shift 2 ;;
    --no-temp) no_temp=1; shift ;;
    --allow-leftovers) allow_leftovers=1; shift ;;
    --time-limit) time_limit=$2; shift 2 ;;
    --temp-name) temp_name=$2; shift 2 ;;
    --netns) netns=$2; shift 2 ;;
    *) echo "run-e2e: unknown option $1" >&2; exit 1 ;;
  esac
done
if [ -z "$name" ] || [ -z "$build" ] || [ -z "$scenario" ]; then
  echo "run-e2e: --name, --build and --scenario are needed" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "run-e2e: no X display (DISPLAY unset): skipped; the test command starts Xvfb" >&2
  exit 77
fi

# Windows sees the whole Unix tree as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

: "${KESTRALON_TEST_OUTPUT:=$build/test-output}"
output="$KESTRALON_TEST_OUTPUT/$name"
run="$output/run"
app="$run/app"
temp="$run/temp"
rm -rf "$output"
mkdir -p "$app" "$temp" "$run/localappdata"
[ -z "$temp_name" ] || { temp="$temp/$temp_name"; mkdir -p "$temp"; }

make_app() {
  cp "$build/bin/KESTRALON.EXE" "$app/" || return 1
  if [ "$no_config" = 0 ]; then
    # CONFIG.INI is a Windows text file in code page 932; the test's copy is UTF-8 for reading.
    iconv -f UTF-8 -t CP932 "${config:-$here/configs/demo.ini}" | sed 's/$/\r/' > "$app/CONFIG.INI" || return 1
  fi
  if [ "$no_savf" = 0 ]; then
    if [ -n "$savf" ]; then
      cp "$savf" "$app/$savf_name" || return 1
    else
      printf 'not a real save file: the form never reads it\r\n' > "$app/$savf_name"
    fi
  fi
}
if [ -n "$app_given" ]; then
  app=$app_given # a packaged installer brings its own settings and product
else
  make_app || exit 1
fi

export E2E_NAME=$name E2E_OUTPUT=$output E2E_RUN=$run E2E_APP=$app E2E_TEMP=$temp E2E_BUILD=$build
export E2E_ENV_FILE=$run/hook.env
: > "$E2E_ENV_FILE"
run_teardown() {
  if [ -n "$teardown" ]; then
    bash "$teardown" >> "$output/hooks.log" 2>&1 || echo "run-e2e: teardown hook failed (see hooks.log)" >&2
  fi
}
trap run_teardown EXIT

export KESTRALON_BUILD=$build
source "$source_root/testbed/wine-env.sh" || exit 1
bash "$source_root/testbed/prepare-prefix.sh" || exit 1

if [ -n "$setup" ] && ! bash "$setup" >> "$output/hooks.log" 2>&1; then
  echo "run-e2e: setup hook failed (see $output/hooks.log)" >&2
  exit 1
fi

driver_args=(--scenario "$(winpath "$scenario")" --app "$(winpath "$app")" --output "$(winpath "$output")"
  --cursor-probe "/usr/bin/python3 $source_root/uidriver/xcursor_probe.py")
if [ "$no_temp" = 1 ]; then
  driver_args+=(--unset TEMP --unset TMP)
else
  driver_args+=(--env "TEMP=$(winpath "$temp")" --env "TMP=$(winpath "$temp")")
fi
# Each test's support logs in a folder of its own, where its check hook finds them.
driver_args+=(--env "LOCALAPPDATA=$(winpath "$run/localappdata")")
for pair in "${extra_env[@]}"; do driver_args+=(--env "$pair"); done
while IFS= read -r pair; do
  [ -n "$pair" ] && driver_args+=(--env "$pair")
done < "$E2E_ENV_FILE"

in_netns=()
if [ -n "$netns" ]; then
  in_netns=(ip netns exec "$netns")
  # Wine makes a program's sockets in the prefix's wineserver, so the server must live in the
  # namespace too: the one an earlier test left (it lingers a few seconds) is ended first, so that
  # the driver starts a new one inside, and that one is ended with the test, before the namespace
  # goes and before a later test could reach the host through it. E2E tests run one at a time.
  end_wineserver() { "$KESTRALON_WINESERVER" -k > /dev/null 2>&1; "$KESTRALON_WINESERVER" -w > /dev/null 2>&1; }
  end_wineserver
  trap 'end_wineserver; run_teardown' EXIT
fi
timeout "$time_limit" "${in_netns[@]}" "$KESTRALON_WINE" "$build/bin/UIDRIVER.EXE" "${driver_args[@]}" > /dev/null 2> "$output/wine.log"
status=$?
[ -f "$output/driver.log" ] && cat "$output/driver.log"
if [ $status = 124 ]; then echo "run-e2e: the driver did not finish within $time_limit s" >&2; fi
# The check hook judges what the run left outside the windows (for example on a host).
if [ $status = 0 ] && [ -n "$check" ] && ! bash "$check" >> "$output/hooks.log" 2>&1; then
  echo "run-e2e: check hook failed:" >&2
  tail -n 20 "$output/hooks.log" >&2
  status=1
fi

# What a run must never leave behind: its work folder, or job files outside one.
if [ "$allow_leftovers" = 0 ]; then
  for left in "$temp"/ZEMO*; do
    [ -e "$left" ] || continue
    echo "run-e2e: work folder left behind: $left" >&2
    status=1
  done
  for dir in / "$WINEPREFIX/drive_c" "$app"; do
    for job_file in DOSCMD.BAT FTPCMD.BAT FTPLOG.LOG QSAVF.DAT; do
      if [ -e "$dir/$job_file" ]; then
        echo "run-e2e: job file outside a work folder: $dir/$job_file" >&2
        status=1
      fi
    done
  done
fi

if command -v convert > /dev/null; then
  for bmp in "$output"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
[ $status = 0 ] && echo "run-e2e: $name passed" || echo "run-e2e: $name FAILED (output in $output)" >&2
exit $([ $status = 0 ] && echo 0 || echo 1)
