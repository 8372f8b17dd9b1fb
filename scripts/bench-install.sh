#!/usr/bin/env bash
# Benchmark of the installer's own overhead (not a test). For a product save file of 256 MiB and
# one of 1 MiB, measured side by side in one run on loopback against the substitute host:
#   - the wall time from OK to the success message, taken from the UI driver's log;
#   - the time curl needs to upload the same file into a save file of the same host.
# The installation uploads the product twice, so it prints install / (2 x curl) for each size
# (goal for 256 MiB: at most 1.25). Needs the two builds (scripts/build.sh) and ~1 GB in TMPDIR.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
release="$root/build/bench-release"
cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRALON_SANITIZE=OFF > /dev/null
ninja -C "$release" -j2 hostsim savfimg > /dev/null
export KESTRALON_BUILD="$root/build/win"
source "$root/testbed/wine-env.sh"
bash "$root/testbed/prepare-prefix.sh"
bash "$root/testbed/install-ftp.sh"
source "$root/testbed/xvfb.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-install.XXXXXX")
host=""
cleanup() {
  [ -n "$host" ] && kill "$host" 2> /dev/null
  stop_xvfb
  wineserver -k > /dev/null 2>&1 || true
  if [ -n "${KEEP_WORK:-}" ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
start_xvfb
address=127.0.62.1
printf 'BENCH BENCH123 crtsavf,restore\n' > "$work/users"
"$release/hostsim/hostsim" serve --address $address --port 0 --state "$work/state" --users "$work/users" \
  --ready-file "$work/ready" --log "$work/hostsim.log" > /dev/null 2>&1 &
host=$!
for _ in $(seq 100); do [ -s "$work/ready" ] && break; sleep 0.1; done
port=$(awk '{ print $3 }' "$work/ready")

winpath() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }

# Seconds for curl to upload the file into a fresh save file (the best of three).
curl_upload() {
  local best=""
  for _ in 1 2 3; do
    local start end
    start=$(now)
    curl -s -S -T "$1" -Q "RCMD CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)" \
      "ftp://BENCH:BENCH123@$address:$port/QSYS.LIB/QTEMP.LIB/QSAVF.FILE"
    end=$(now)
    best=$(echo "$start $end $best" | awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
  done
  echo "$best"
}

# Seconds from pressing OK to the success message, from the driver's log.
install_time() {
  local app="$work/app-$1" output="$work/out-$1"
  rm -rf "$app" "$output" "$work/temp"
  mkdir -p "$app" "$output" "$work/temp"
  cp "$KESTRALON_BUILD/bin/KESTRALON.EXE" "$app/"
  cp "$2" "$app/PRODUCT.SAVF"
  printf '[Profile]\r\nExeName=KESTRALON\r\n[Settings]\r\nProductName=BENCH\r\nSaveFile=PRODUCT.SAVF\r\nTargetLibrary=SAMPLIB\r\n' \
    > "$app/CONFIG.INI"
  sed "s/@ADDRESS@/$address/" "$root/scripts/bench-install.txt" > "$work/scenario.txt"
  # A new library each time, so the installer never stops to ask before overwriting.
  curl -s -o /dev/null -Q "RCMD DLTLIB LIB(SAMPLIB)" "ftp://BENCH:BENCH123@$address:$port/" || true
  wine "$KESTRALON_BUILD/bin/UIDRIVER.EXE" --scenario "$(winpath "$work/scenario.txt")" --app "$(winpath "$app")" \
    --output "$(winpath "$output")" --env "KESTRALON_FTP_PORT=$port" --env "TEMP=$(winpath "$work/temp")" \
    > /dev/null 2>&1 || { cat "$output/driver.log"; exit 1; }
  awk '/ ok .*press OK/ && start == "" { start = $1 } / ok .*msgbox/ { end = $1 } END { print end - start }' "$output/driver.log"
}

echo "size      install (s)  curl upload (s)  install / (2 x curl)"
for size in 256M 1M; do
  "$release/savf/savfimg" create "$root/savf/demo/product.manifest" "$work/product-$size.savf" --size "$size" > /dev/null
  upload=$(curl_upload "$work/product-$size.savf")
  install=$(install_time "$size" "$work/product-$size.savf")
  echo "$size $install $upload" | awk '{ printf "%-9s %11.2f  %15.2f  %20.2f\n", $1, $2, $3, $2 / (2 * $3) }'
done
