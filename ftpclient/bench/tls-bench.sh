#!/bin/bash
# What TLS costs an upload: ftp.exe under Wine puts a 64 MiB file into Debian's vsftpd on loopback
# in passive mode, in clear and with "tls" (control and data connection protected), in
# alternating rounds. Prints the median transfer time of each (the client's own "bytes sent in"
# figure, so Wine's start-up and the handshakes of the log-on are left out), the throughput and
# the ratio TLS / plain, measured side by side.
# Usage: ftpclient/bench/tls-bench.sh   (as root; KESTRALON_BUILD names the Windows build tree,
# default: the tree of this machine's architecture, testbed/arch.sh), whose ftp.exe and Wine
# prefix are used; ROUNDS, default 5)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/testbed/wine-env.sh"
client=$KESTRALON_BUILD/ftpclient/ftp.exe
rounds=${ROUNDS:-5}
[ -f "$client" ] || { echo "tls-bench: $client is missing; build the Windows tree first" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "tls-bench: run as root (vsftpd drops privileges to its own user)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tls-bench.XXXXXX")
vsftpd_pid=""
cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

address=127.0.61.4
port=$((20000 + RANDOM % 20000))
mkdir -p "$work/root/upload" "$work/empty"
chown ftp "$work/root/upload"
chmod 555 "$work/root"
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=$address
listen_port=$port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_upload_enable=YES
anon_other_write_enable=YES
write_enable=YES
anon_root=$work/root
local_enable=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
secure_chroot_dir=$work/empty
xferlog_enable=NO
ssl_enable=YES
allow_anon_ssl=YES
require_ssl_reuse=NO
rsa_cert_file=$work/tls/cert.pem
rsa_private_key_file=$work/tls/key.pem
CONF
bash "$source_dir/testbed/make-test-cert.sh" "$work/tls"
/usr/sbin/vsftpd "$work/vsftpd.conf" &
vsftpd_pid=$!
for _ in $(seq 500); do
  (exec 3<>"/dev/tcp/$address/$port") 2>/dev/null && break
  sleep 0.02
done

head -c 64M /dev/urandom > "$work/64m.dat"
wine_path() { echo "Z:${1//\//\\}"; }
for mode in plain tls; do
  {
    if [ $mode = tls ]; then printf 'tls\r\n'; else printf 'passive\r\n'; fi
    printf 'open %s\r\nanonymous\r\nbench\r\nbinary\r\n' "$address"
    printf 'put "%s" upload/64m.dat\r\nquit\r\n' "$(wine_path "$work/64m.dat")"
  } > "$work/script-$mode.txt"
done

# Seconds of one upload, from the client's own report, which it writes in the test bed's language
# (code page 932 in Japanese): "bytes sent in 1.23Seconds" or "バイトが送信されました 1.23秒". It
# writes one only after the host's completion reply.
upload() {
  KESTRALON_FTP_PORT=$port "$KESTRALON_WINE" "$client" -s:"$(wine_path "$work/script-$1.txt")" > "$work/log-$1.txt" 2>/dev/null
  iconv -c -f CP932 -t UTF-8 "$work/log-$1.txt" | grep -o -E 'bytes sent in [0-9.]+Seconds|バイトが送信されました [0-9.]+秒' |
    grep -o -E '[0-9]+\.[0-9]+' ||
    { echo "tls-bench: the upload failed; see $work/log-$1.txt" >&2; exit 1; }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

upload plain > /dev/null  # warm-up: page cache, Wine's first start
: > "$work/plain.times"
: > "$work/tls.times"
for _ in $(seq "$rounds"); do
  upload plain >> "$work/plain.times"
  upload tls >> "$work/tls.times"
done
grep -q "TLS established" "$work/log-tls.txt" || { echo "tls-bench: the TLS upload was not protected" >&2; exit 1; }
plain=$(median < "$work/plain.times")
tls=$(median < "$work/tls.times")
awk -v plain="$plain" -v tls="$tls" -v n="$rounds" -v plains="$(tr '\n' ' ' < "$work/plain.times")" \
  -v tlss="$(tr '\n' ' ' < "$work/tls.times")" 'BEGIN {
  printf "64 MiB passive upload by ftp.exe under Wine into vsftpd, median of %d rounds:\n", n
  printf "  plain %6.2f s  %7.1f MiB/s   (%s)\n", plain, 64 / plain, plains
  printf "  TLS   %6.2f s  %7.1f MiB/s   (%s)\n", tls, 64 / tls, tlss
  printf "  TLS / plain: %.2f\n", tls / plain
}'
