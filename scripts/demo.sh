#!/usr/bin/env bash
# The main job: builds everything, starts the substitute IBM i host on 127.0.0.1 port 21 with the
# demo user DEMO (password DEMO1234) and the demo product, and starts KESTRALON.EXE under Wine.
# With an X display the installer opens there for a person to use; without one, the same
# installation runs on Xvfb through the UI driver and a screenshot of every step is saved.
# Afterwards the library on the host is listed. Run as root (port 21); safe to run again.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/build/demo"
native="$root/build/native"

bash "$root/scripts/build.sh"
source "$root/testbed/wine-env.sh"
bash "$root/testbed/prepare-prefix.sh"
bash "$root/testbed/install-ftp.sh"

# A fresh installer folder and a fresh host: the demo shows a new installation every time.
rm -rf "$out"
mkdir -p "$out/app" "$out/screenshots"
cp "$KESTRALON_BUILD/bin/KESTRALON.EXE" "$native/demo/PRODUCT.SAVF" "$out/app/"
iconv -f UTF-8 -t CP932 "$root/demo/CONFIG.INI.utf8" | sed 's/$/\r/' > "$out/app/CONFIG.INI"

# What Japanese sites have: the host answers as a Japanese IBM i, and our ftp.exe speaks Japanese
# (the Wine prefix's user interface language). The host takes uploads at 128 KB/s, as over a
# branch office's line, so the progress bar is seen moving (the demo product is about 860 KB).
"$native/hostsim/hostsim" serve --address 127.0.0.1 --port 21 --state "$out/host-state" \
  --users "$root/demo/users.txt" --log "$out/hostsim.log" --ready-file "$out/host.ready" --max-rate 128K --japanese \
  > /dev/null 2>&1 &
host=$!
source "$root/testbed/xvfb.sh"
cleanup() {
  kill -TERM "$host" 2> /dev/null || true
  stop_xvfb
  "$KESTRALON_WINESERVER" -k > /dev/null 2>&1 || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -f "$out/host.ready" ] && break
  kill -0 "$host" 2> /dev/null || { echo "demo: the substitute host did not start; is port 21 of 127.0.0.1 taken? (see $out/hostsim.log)"; exit 1; }
  sleep 0.1
done
echo "demo: substitute host ready on 127.0.0.1:21 (user DEMO, password DEMO1234; log $out/hostsim.log)"

winpath() { printf 'Z:%s' "${1//\//\\}"; }
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry > /dev/null 2>&1; then
  echo "demo: the installer opens on $DISPLAY: type 127.0.0.1, DEMO, DEMO1234 and press OK"
  (cd "$out/app" && "$KESTRALON_WINE" KESTRALON.EXE) || true
else
  start_xvfb || { echo "demo: Xvfb did not start"; exit 1; }
  echo "demo: no X display; installing through the UI driver on Xvfb $DISPLAY"
  if ! "$KESTRALON_WINE" "$KESTRALON_BUILD/bin/UIDRIVER.EXE" --scenario "$(winpath "$root/demo/install.txt")" \
    --app "$(winpath "$out/app")" --output "$(winpath "$out/screenshots")" > /dev/null 2> "$out/wine.log"; then
    cat "$out/screenshots/driver.log" 2> /dev/null
    echo "demo: the installation did not complete (see $out/screenshots)"
    exit 1
  fi
  for bmp in "$out/screenshots"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"; done
  echo "demo: screenshots of every step: $out/screenshots"
fi
echo "demo: the library on the substitute host:"
"$native/hostsim/hostsim" list --state "$out/host-state" SAMPLIB || echo "demo: SAMPLIB is not on the host"
