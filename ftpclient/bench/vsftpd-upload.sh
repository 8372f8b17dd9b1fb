# Sourced by the client's benchmarks: Debian's vsftpd on a loopback address, taking anonymous
# uploads into upload/, and one timed upload by ftp.exe under Wine.
#   bench_begin NAME: checks what the benchmark needs and makes its work folder, $work (removed on
#     exit, with the server).
#   bench_start_vsftpd ADDRESS [CONFIG_LINE...]: the server on ADDRESS at a free port ($port), with
#     the extra configuration lines given.
#   bench_upload MODE: runs $work/script-MODE.txt and prints the seconds the client reports.
#   bench_rounds A B ROUNDS: a warm-up upload of A (page cache, Wine's first start), then ROUNDS
#     rounds of A and B in turn, side by side; their seconds in $work/A.times and $work/B.times.
#   bench_median: the median of the numbers on standard input.
# Needs root (vsftpd drops privileges to its own user) and the Windows build tree's ftp.exe.
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$source_dir/testbed/wine-env.sh"
client=$KESTRALON_BUILD/ftpclient/ftp.exe

bench_begin() {
  bench_name=$1
  [ -f "$client" ] || { echo "$bench_name: $client is missing; build the Windows tree first" >&2; exit 1; }
  [ "$(id -u)" = 0 ] || { echo "$bench_name: run as root (vsftpd drops privileges to its own user)" >&2; exit 1; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/$bench_name.XXXXXX")
  vsftpd_pid=""
  trap bench_cleanup EXIT
}

bench_start_vsftpd() {
  address=$1
  shift
  port=$((20000 + RANDOM % 20000))
  mkdir -p "$work/root/upload" "$work/empty"
  chown ftp "$work/root/upload"
  chmod 555 "$work/root"
  {
    cat <<CONF
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
    printf '%s\n' "$@"
  } > "$work/vsftpd.conf"
  /usr/sbin/vsftpd "$work/vsftpd.conf" &
  vsftpd_pid=$!
  for _ in $(seq 500); do
    (exec 3<>"/dev/tcp/$address/$port") 2> /dev/null && break
    sleep 0.02
  done
}

bench_cleanup() {
  if [ -n "$vsftpd_pid" ]; then
    kill "$vsftpd_pid" 2> /dev/null || true
    wait "$vsftpd_pid" 2> /dev/null || true
  fi
  rm -rf "$work"
}

wine_path() { echo "Z:${1//\//\\}"; }

# The client's own report, which it writes in the test bed's language (code page 932 in Japanese):
# "bytes sent in 1.23Seconds" or "バイトが送信されました 1.23秒", only after the host's completion
# reply; Wine's start-up is left out.
bench_upload() {
  KESTRALON_FTP_PORT=$port "$KESTRALON_WINE" "$client" -s:"$(wine_path "$work/script-$1.txt")" > "$work/log-$1.txt" 2> /dev/null
  iconv -c -f CP932 -t UTF-8 "$work/log-$1.txt" | grep -o -E 'bytes sent in [0-9.]+Seconds|バイトが送信されました [0-9.]+秒' |
    grep -o -E '[0-9]+\.[0-9]+' ||
    { echo "$bench_name: the upload failed; see $work/log-$1.txt" >&2; exit 1; }
}

bench_rounds() {
  bench_upload "$1" > /dev/null
  : > "$work/$1.times"
  : > "$work/$2.times"
  for _ in $(seq "$3"); do
    bench_upload "$1" >> "$work/$1.times"
    bench_upload "$2" >> "$work/$2.times"
  done
}

bench_median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
