#!/bin/bash
# What hash marks cost an upload: ftp.exe under Wine puts a 256 MiB file into Debian's vsftpd on
# loopback, with and without "hash", in alternating rounds. Prints the median transfer time of
# each (the client's own "bytes sent in" figure, so Wine's start-up is left out) and what the marks
# add. With marks on the client sends small pieces through a small send buffer, so that the marks
# keep close to what the host has received on a slow line, and lets both grow once the upload has
# shown itself fast; on loopback, where 256 MiB take about 0.25 s, the marks then add about
# 0.01 s (goal: at most 0.3 s).
# Usage: ftpclient/bench/hash-bench.sh   (as root; KESTRALON_BUILD names the Windows build tree,
# default: the tree of this machine's architecture, testbed/arch.sh), whose ftp.exe and Wine
# prefix are used; ROUNDS, default 7)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/testbed/wine-env.sh"
client=$KESTRALON_BUILD/ftpclient/ftp.exe
rounds=${ROUNDS:-7}
[ -f "$client" ] || { echo "hash-bench: $client is missing; build the Windows tree first" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "hash-bench: run as root (vsftpd drops privileges to its own user)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/hash-bench.XXXXXX")
vsftpd_pid=""
cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

address=127.0.61.3
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
CONF
/usr/sbin/vsftpd "$work/vsftpd.conf" &
vsftpd_pid=$!
for _ in $(seq 500); do
  (exec 3<>"/dev/tcp/$address/$port") 2>/dev/null && break
  sleep 0.02
done

head -c 256M /dev/urandom > "$work/256m.dat"
wine_path() { echo "Z:${1//\//\\}"; }
for marks in off on; do
  {
    printf 'open %s\r\nanonymous\r\nbench\r\nbinary\r\n' "$address"
    [ $marks = on ] && printf 'hash\r\n'
    printf 'put "%s" upload/256m.dat\r\nquit\r\n' "$(wine_path "$work/256m.dat")"
  } > "$work/script-$marks.txt"
done

# Seconds of one upload, from the client's own report, which it writes in the test bed's language
# (code page 932 in Japanese): "bytes sent in 1.23Seconds" or "バイトが送信されました 1.23秒". It
# writes one only after the host's completion reply.
upload() {
  KESTRALON_FTP_PORT=$port "$KESTRALON_WINE" "$client" -s:"$(wine_path "$work/script-$1.txt")" > "$work/log-$1.txt" 2>/dev/null
  iconv -c -f CP932 -t UTF-8 "$work/log-$1.txt" | grep -o -E 'bytes sent in [0-9.]+Seconds|バイトが送信されました [0-9.]+秒' |
    grep -o -E '[0-9]+\.[0-9]+' ||
    { echo "hash-bench: the upload failed; see $work/log-$1.txt" >&2; exit 1; }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

upload off > /dev/null  # warm-up: page cache, Wine's first start
: > "$work/off.times"
: > "$work/on.times"
for _ in $(seq "$rounds"); do
  upload off >> "$work/off.times"
  upload on >> "$work/on.times"
done
off=$(median < "$work/off.times")
on=$(median < "$work/on.times")
awk -v off="$off" -v on="$on" -v n="$rounds" -v offs="$(tr '\n' ' ' < "$work/off.times")" \
  -v ons="$(tr '\n' ' ' < "$work/on.times")" 'BEGIN {
  printf "256 MiB upload by ftp.exe under Wine into vsftpd, median of %d rounds:\n", n
  printf "  without hash %6.2f s   (%s)\n", off, offs
  printf "  with hash    %6.2f s   (%s)\n", on, ons
  printf "  hash adds %.2f s (goal <= 0.3 s), ratio %.2f\n", on - off, on / off
}'
