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

source "$(dirname "${BASH_SOURCE[0]}")/vsftpd-upload.sh"
rounds=${ROUNDS:-5}
bench_begin tls-bench
bash "$source_dir/testbed/make-test-cert.sh" "$work/tls"
# Wine's TLS resumes no session, which vsftpd asks for by default on the data connection.
bench_start_vsftpd 127.0.61.4 ssl_enable=YES allow_anon_ssl=YES require_ssl_reuse=NO \
  "rsa_cert_file=$work/tls/cert.pem" "rsa_private_key_file=$work/tls/key.pem"

head -c 64M /dev/urandom > "$work/64m.dat"
for mode in plain tls; do
  {
    if [ $mode = tls ]; then printf 'tls\r\n'; else printf 'passive\r\n'; fi
    printf 'open %s\r\nanonymous\r\nbench\r\nbinary\r\n' "$address"
    printf 'put "%s" upload/64m.dat\r\nquit\r\n' "$(wine_path "$work/64m.dat")"
  } > "$work/script-$mode.txt"
done

bench_rounds plain tls "$rounds"
grep -q "TLS established" "$work/log-tls.txt" || { echo "tls-bench: the TLS upload was not protected" >&2; exit 1; }
plain=$(bench_median < "$work/plain.times")
tls=$(bench_median < "$work/tls.times")
awk -v plain="$plain" -v tls="$tls" -v n="$rounds" -v plains="$(tr '\n' ' ' < "$work/plain.times")" \
  -v tlss="$(tr '\n' ' ' < "$work/tls.times")" 'BEGIN {
  printf "64 MiB passive upload by ftp.exe under Wine into vsftpd, median of %d rounds:\n", n
  printf "  plain %6.2f s  %7.1f MiB/s   (%s)\n", plain, 64 / plain, plains
  printf "  TLS   %6.2f s  %7.1f MiB/s   (%s)\n", tls, 64 / tls, tlss
  printf "  TLS / plain: %.2f\n", tls / plain
}'
