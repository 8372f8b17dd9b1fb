#!/bin/bash
# Upload benchmark of the substitute host, side by side with vsftpd, curl as the client, on
# loopback. Prints:
#   - upload throughput of a 256 MiB save file into hostsim and into vsftpd (median of several
#     alternating rounds) and their ratio (goal: at least 0.9);
#   - hostsim's peak resident memory while it receives a 1 GiB upload (goal: under 64 MiB).
# Usage: hostsim/bench/upload-bench.sh [BUILD_DIR]
#   BUILD_DIR: a native build without sanitizers that has hostsim and savfimg; by default
#   build/bench-release is configured (Release, sanitizers off) and built.
# Needs root (vsftpd drops privileges to its own user) and about 3 GB of free space in TMPDIR.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$source_dir/build/bench-release}
rounds=${ROUNDS:-9}
if [ -z "${1:-}" ]; then
  cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRALON_SANITIZE=OFF >/dev/null
  ninja -C "$build" -j2 hostsim savfimg >/dev/null
fi
hostsim=$build/hostsim/hostsim
savfimg=$build/savf/savfimg

work=$(mktemp -d "${TMPDIR:-/tmp}/upload-bench.XXXXXX")
host_pid="" vsftpd_pid=""
cleanup() {
  if [ -n "$host_pid" ]; then kill "$host_pid" 2>/dev/null || true; wait "$host_pid" 2>/dev/null || true; fi
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  if [ -n "${KEEP_WORK:-}" ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

host_address=127.0.61.1 vsftpd_address=127.0.61.2
printf 'BENCH SECRET crtsavf,restore\n' > "$work/users"

start_hostsim() {
  rm -f "$work/ready"
  "$hostsim" serve --address $host_address --port 0 --state "$work/state" --users "$work/users" \
    --log "$work/hostsim.log" --ready-file "$work/ready" >/dev/null &
  host_pid=$!
  for _ in $(seq 500); do [ -s "$work/ready" ] && break; sleep 0.02; done
  host_port=$(cut -d' ' -f3 "$work/ready")
}

stop_hostsim() {
  kill "$host_pid" && wait "$host_pid" || true
  host_pid=""
}

start_vsftpd() {
  mkdir -p "$work/vsftpd/root/upload" "$work/vsftpd/empty"
  chown ftp "$work/vsftpd/root/upload"
  chmod 555 "$work/vsftpd/root"
  vsftpd_port=$((20000 + RANDOM % 20000))
  cat > "$work/vsftpd/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=$vsftpd_address
listen_port=$vsftpd_port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_upload_enable=YES
write_enable=YES
anon_root=$work/vsftpd/root
anon_umask=022
local_enable=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
secure_chroot_dir=$work/vsftpd/empty
xferlog_enable=NO
CONF
  /usr/sbin/vsftpd "$work/vsftpd/vsftpd.conf" &
  vsftpd_pid=$!
  for _ in $(seq 500); do
    curl -s -o /dev/null "ftp://$vsftpd_address:$vsftpd_port/" && break
    sleep 0.02
  done
}

# Bytes per second of the transfer itself: log-on and the save-file creation are left out.
upload_to_hostsim() {
  curl -s -S --user BENCH:SECRET --ftp-method nocwd --quote "RCMD CRTSAVF FILE(QTEMP/QSAVF)" \
    --upload-file "$1" -w '%{size_upload} %{time_pretransfer} %{time_total}\n' \
    "ftp://$host_address:$host_port/QSYS.LIB/QTEMP.LIB/QSAVF.FILE" |
    awk '{ printf "%.0f\n", $1 / ($3 - $2) }'
}

upload_to_vsftpd() {
  rm -f "$work/vsftpd/root/upload/product.savf"
  curl -s -S --upload-file "$1" -w '%{size_upload} %{time_pretransfer} %{time_total}\n' \
    "ftp://$vsftpd_address:$vsftpd_port/upload/product.savf" |
    awk '{ printf "%.0f\n", $1 / ($3 - $2) }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
best() { sort -n | tail -1; }

echo "Making the save files (256 MiB and 1 GiB)..."
"$savfimg" create "$source_dir/savf/demo/product.manifest" "$work/256m.savf" --size 256M >/dev/null
"$savfimg" create "$source_dir/savf/demo/product.manifest" "$work/1g.savf" --size 1G >/dev/null

start_hostsim
start_vsftpd
upload_to_hostsim "$work/256m.savf" >/dev/null  # warm-up: page cache, first connection
upload_to_vsftpd "$work/256m.savf" >/dev/null
: > "$work/hostsim.rates"
: > "$work/vsftpd.rates"
# Each upload starts with no dirty pages, so neither pays for the other's writeback.
for round in $(seq "$rounds"); do
  sync
  upload_to_hostsim "$work/256m.savf" >> "$work/hostsim.rates"
  rm -f "$work/vsftpd/root/upload/product.savf"
  sync
  upload_to_vsftpd "$work/256m.savf" >> "$work/vsftpd.rates"
done
grep -q "250 File transfer completed successfully." "$work/hostsim.log" || { echo "hostsim refused the upload" >&2; exit 1; }
stop_hostsim
host_rate=$(median < "$work/hostsim.rates")
vsftpd_rate=$(median < "$work/vsftpd.rates")
host_best=$(best < "$work/hostsim.rates")
vsftpd_best=$(best < "$work/vsftpd.rates")

# Peak memory: a fresh server, so that its high-water mark is this upload's.
start_hostsim
upload_to_hostsim "$work/1g.savf" >/dev/null
peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$host_pid/status")
stop_hostsim

to_mib() { awk '{ printf "%s%.0f", (NR > 1 ? " " : ""), $1 / 1048576 }' "$1"; }
awk -v hr="$(to_mib "$work/hostsim.rates")" -v vr="$(to_mib "$work/vsftpd.rates")" -v h="$host_rate" -v v="$vsftpd_rate" -v hb="$host_best" -v vb="$vsftpd_best" -v p="$peak_kib" -v n="$rounds" 'BEGIN {
  printf "256 MiB upload, median of %d rounds (curl, loopback):\n", n
  printf "  hostsim  %8.1f MiB/s\n", h / 1048576
  printf "  vsftpd   %8.1f MiB/s\n", v / 1048576
  printf "  (rounds in MiB/s: hostsim %s; vsftpd %s)\n", hr, vr
  printf "  ratio hostsim/vsftpd: %.2f (goal >= 0.9); of the best rounds: %.2f\n", h / v, hb / vb
  printf "hostsim peak RSS receiving a 1 GiB upload: %.1f MiB (goal < 64 MiB)\n", p / 1024
}'
