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

source "$(dirname "${BASH_SOURCE[0]}")/vsftpd-upload.sh"
rounds=${ROUNDS:-7}
bench_begin hash-bench
bench_start_vsftpd 127.0.61.3

head -c 256M /dev/urandom > "$work/256m.dat"
for marks in off on; do
  {
    printf 'open %s\r\nanonymous\r\nbench\r\nbinary\r\n' "$address"
    [ $marks = on ] && printf 'hash\r\n'
    printf 'put "%s" upload/256m.dat\r\nquit\r\n' "$(wine_path "$work/256m.dat")"
  } > "$work/script-$marks.txt"
done

bench_rounds off on "$rounds"
off=$(bench_median < "$work/off.times")
on=$(bench_median < "$work/on.times")
awk -v off="$off" -v on="$on" -v n="$rounds" -v offs="$(tr '\n' ' ' < "$work/off.times")" \
  -v ons="$(tr '\n' ' ' < "$work/on.times")" 'BEGIN {
  printf "256 MiB upload by ftp.exe under Wine into vsftpd, median of %d rounds:\n", n
  printf "  without hash %6.2f s   (%s)\n", off, offs
  printf "  with hash    %6.2f s   (%s)\n", on, ons
  printf "  hash adds %.2f s (goal <= 0.3 s), ratio %.2f\n", on - off, on / off
}'
