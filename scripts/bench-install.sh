#!/usr/bin/env bash
# Benchmark of the installer's own overhead (not a test). For a product save file of 1 MiB and
# one of 256 MiB, measured side by side in one run on loopback against the substitute host:
#   - install: the wall time from the click on OK to the success message, from the UI driver's log
#     (its polls make this good to about 0.05 s);
#   - hand-run: what a person would do instead of running the installer: the three job scripts the
#     installer writes (ftpjob/tests/golden, filled in with this run's address, log-on, library
#     and files) run back to back from one plain batch file under the same Wine, through the same
#     ftp.exe, against the same host, each on a line like the installer's launcher; timed from the
#     batch's first line to its last;
#   - install without the log: the same installation with KESTRALON_TEST_NO_PROGRESS=1, where
#     the installer does not read the client's log while a job runs;
#   - over TLS: the same installation with Tls=auto against the same host, which offers TLS: every
#     job over TLS with the installer's own client (the other runs have Tls=off, as before TLS);
#   - curl: the time curl needs to upload the same file into a save file of the same host.
# It prints install / hand-run and install - hand-run (the installer's own overhead, almost all of
# it the command interpreter that each job's launcher starts: it must not grow), install with /
# without reading the log (goal: at most 1.02), over TLS / install (what TLS costs the same
# installation), and install / curl (the product goes up once). The four runs alternate their
# order over ROUNDS rounds
# (default 15) and the medians are printed; on a machine shared with other work, two builds that
# do the same land about 2% apart, so judge the 1.02 on the 256 MiB row and on a quiet machine.
# Needs the two builds (scripts/build.sh) and ~1 GB in TMPDIR; takes 3 to 5 minutes. KEEP_WORK=1
# keeps the work folder: every run's driver log, and each hand-run's batch file, job scripts and
# logs.
# Then the same on a host that takes uploads at most RATE bytes a second (default 32M), as a site's
# network would, for a product of RATE_SIZE (default 256M): install against the floor, one run of
# curl that does the host work of the product itself (creates the save file, uploads the product
# at the same rate, restores the library), alternating over RATE_ROUNDS rounds (default 3). Goal
# for install / floor: at most 1.10. The pair is the Japanese one (a client that speaks Japanese, a host that answers as a
# Japanese IBM i); KESTRALON_FTP_LANGUAGE=en makes it the English one. KESTRALON_BENCH_EXE names
# another KESTRALON.EXE to measure (an earlier build, to compare), with the build's own driver.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${ROUNDS:-15}
pair=${KESTRALON_FTP_LANGUAGE:-ja}
export KESTRALON_FTP_LANGUAGE=$pair
release="$root/build/bench-release"
cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRALON_SANITIZE=OFF > /dev/null
ninja -C "$release" -j2 hostsim savfimg > /dev/null
source "$root/testbed/wine-env.sh"
bash "$root/testbed/prepare-prefix.sh"
bash "$root/testbed/install-ftp.sh"
source "$root/testbed/xvfb.sh"
# The host object the installer embeds, which its jobs 1 and 3 upload.
host_object=$(sed -n 's/^KESTRALON_HOST_OBJECT:[A-Z]*=//p' "$KESTRALON_BUILD/CMakeCache.txt")
[ -f "$host_object" ] || { echo "bench-install: no host object in $KESTRALON_BUILD; build first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-install.XXXXXX")
host=""
slow_host=""
cleanup() {
  [ -n "$host" ] && kill "$host" 2> /dev/null
  [ -n "$slow_host" ] && kill "$slow_host" 2> /dev/null
  stop_xvfb
  "$KESTRALON_WINESERVER" -k > /dev/null 2>&1 || true
  if [ -n "${KEEP_WORK:-}" ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
start_xvfb
address=127.0.62.1
user=BENCH
password=BENCH123
library=SAMPLIB
printf '%s %s crtsavf,restore\n' $user $password > "$work/users"
fail() {
  echo "bench-install: $*" >&2
  exit 1
}
# start_host ADDRESS NAME [serve option...]: a host of its own state, its pid in $started.
start_host() {
  local at=$1 name=$2
  shift 2
  "$release/hostsim/hostsim" serve --address "$at" --port 0 --state "$work/state-$name" --users "$work/users" \
    --ready-file "$work/ready-$name" --log "$work/hostsim-$name.log" $([ "$pair" = en ] || echo --japanese) "$@" \
    > /dev/null 2>&1 &
  started=$!
  for _ in $(seq 100); do [ -s "$work/ready-$name" ] && break; sleep 0.1; done
  [ -s "$work/ready-$name" ] || fail "the host $name did not start"
}
# The host offers TLS: the runs without it (Tls=off) log on in clear as they always did.
bash "$root/testbed/make-test-cert.sh" "$work/tls" localhost $address
start_host $address fast --tls "$work/tls/cert.pem,$work/tls/key.pem"
host=$started
port=$(awk '{ print $3 }' "$work/ready-fast")

winpath() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# A new library each time, so the installer never stops to ask before overwriting and the
# hand-run's restore does the same work.
drop_library() {
  curl -s -o /dev/null -Q "RCMD DLTLIB LIB($library)" "ftp://$user:$password@$address:$port/" || true
}

# Seconds for curl to do the product's host work on the host at $1:$2: create the save file, upload
# $3 into it, restore the library from it (one run).
curl_floor() {
  local start end
  curl -s -o /dev/null -Q "RCMD DLTLIB LIB($library)" "ftp://$user:$password@$1:$2/" || true
  start=$(now)
  curl -s -S -T "$3" -Q "RCMD CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)" \
    -Q "-RCMD RSTLIB SAVLIB($library) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB($library)" \
    "ftp://$user:$password@$1:$2/QSYS.LIB/QTEMP.LIB/QSAVF.FILE" || fail "curl could not do the host work"
  end=$(now)
  echo "$start $end" | awk '{ print $2 - $1 }'
}

# Seconds for curl to upload the file into a fresh save file (the best of three).
curl_upload() {
  local best=""
  for _ in 1 2 3; do
    local start end
    start=$(now)
    curl -s -S -T "$1" -Q "RCMD CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)" \
      "ftp://$user:$password@$address:$port/QSYS.LIB/QTEMP.LIB/QSAVF.FILE"
    end=$(now)
    best=$(echo "$start $end $best" | awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
  done
  echo "$best"
}

# The installer's folders for a product size: KESTRALON.EXE, CONFIG.INI and the product; app-SIZE
# without TLS, app-SIZE-tls with it (the same product file, linked).
prepare_app() {
  local app mode
  for mode in off auto; do
    app="$work/app-$1"
    [ $mode = auto ] && app="$work/app-$1-tls"
    mkdir -p "$app"
    cp "${KESTRALON_BENCH_EXE:-$KESTRALON_BUILD/bin/KESTRALON.EXE}" "$app/KESTRALON.EXE"
    printf '[Profile]\r\nExeName=KESTRALON\r\n[Settings]\r\nProductName=BENCH\r\nSaveFile=PRODUCT.SAVF\r\nTargetLibrary=%s\r\nTls=%s\r\n' \
      $library $mode > "$app/CONFIG.INI"
  done
  "$release/savf/savfimg" create "$root/savf/demo/product.manifest" "$work/app-$1/PRODUCT.SAVF" --size "$1" > /dev/null
  ln "$work/app-$1/PRODUCT.SAVF" "$work/app-$1-tls/PRODUCT.SAVF"
}

# Seconds from pressing OK to the success message, from the driver's log. $1 size, $2 with or
# without (reading the log while a job runs), $3 the run's name, $4 the folder's suffix ("-tls").
install_time() {
  local output="$work/runs/install-$1-$2-$3${4:-}" progress
  if [ "$2" = with ]; then progress=(--unset KESTRALON_TEST_NO_PROGRESS); else progress=(--env KESTRALON_TEST_NO_PROGRESS=1); fi
  mkdir -p "$output"
  rm -rf "$work/temp"
  mkdir -p "$work/temp"
  drop_library
  "$KESTRALON_WINE" "$KESTRALON_BUILD/bin/UIDRIVER.EXE" --scenario "$(winpath "$work/scenario.txt")" \
    --app "$(winpath "$work/app-$1${4:-}")" --output "$(winpath "$output")" --env "KESTRALON_FTP_PORT=$port" \
    --env "TEMP=$(winpath "$work/temp")" "${progress[@]}" > /dev/null 2>&1 ||
    { cat "$output/driver.log" >&2; fail "the installation failed"; }
  # The click on OK and the box's first sight: the driver's steps go on after those (settling,
  # awaiting the box's paint), and their lines then say when their condition held.
  awk 'function at() { return match($0, /\(held at [0-9.]+\)$/) ? substr($0, RSTART + 9, RLENGTH - 10) : $1 }
       / ok .*press OK/ && start == "" { start = at() } / ok .*msgbox/ { end = at() } END { print end - start }' \
    "$output/driver.log"
}

# A path as the command interpreter reads it in a batch file, as the installer's launcher writes
# it: quoted, each "%" doubled.
batch_path() { printf '"%s"' "$(winpath "${1//%/%%}")"; }

# The installer's three job scripts for this run. The golden files are made by the installer's own
# job definitions for a fixed log-on, library and pair of files (ftpjob/tests/job_sequences.h), so
# they change whenever what the installer writes changes; only those fixed values are replaced.
write_job_scripts() {
  local folder=$1 product=$2 n=0 name text
  for name in job1_authority job2_library_probe job3_installation; do
    n=$((n + 1))
    text=$(< "$root/ftpjob/tests/golden/$name.txt")
    text=${text//"C:\\TEMP\\ZEMO0000\\QSAVF.DAT"/"$(winpath "$folder/QSAVF.DAT")"}
    text=${text//"C:\\KESTRALON\\PRODUCT.SAVF"/"$(winpath "$product")"}
    text=${text//"open 192.168.1.20"/"open $address"}
    text=${text//"SAVLIB(KESTRAL)"/"SAVLIB($library)"}
    text=${text//KSTLIB/"$library"}
    text=${text//KSTUSER/"$user"}
    text=${text//PASS123/"$password"}
    if grep -qE 'ZEMO0000|KESTRAL|KSTLIB|KSTUSER|PASS123|192\.168\.1\.20' <<< "$text"; then
      fail "ftpjob/tests/golden/$name.txt holds a value this script does not fill in"
    fi
    printf '%s\n' "$text" > "$folder/job$n.txt"  # $(<) dropped the last line feed; its CR is kept
  done
}

# Uploads that the host completed in a transcript: its 125 or 150, then 226 or 250 (the client's
# own words, translated, are not read). A reply may follow the prompt "ftp> " on its line.
uploads_completed() {
  awk '{ sub(/\r$/, ""); while (sub(/^ftp> /, "")) {} }
       /^[0-9][0-9][0-9]( |$)/ { code = substr($0, 1, 3) + 0
         if (code == 125 || code == 150) open = 1
         else if (code >= 200) { if (open && (code == 226 || code == 250)) n++; open = 0 } }
       END { print n + 0 }'
}

# Seconds of the hand-run: the three jobs from one batch file, timed by the modification times of
# the files that its first and last lines write. $1 size, $2 the run's name.
hand_time() {
  local folder="$work/runs/hand-$1-$2" n
  mkdir -p "$folder"
  cp "$host_object" "$folder/QSAVF.DAT"
  write_job_scripts "$folder" "$work/app-$1/PRODUCT.SAVF"
  {
    printf 'echo start> %s\r\n' "$(batch_path "$folder/start.mark")"
    for n in 1 2 3; do
      printf 'ftp -s:%s > %s\r\n' "$(batch_path "$folder/job$n.txt")" "$(batch_path "$folder/job$n.log")"
    done
    printf 'echo end> %s\r\n' "$(batch_path "$folder/end.mark")"
  } > "$folder/HAND.BAT"
  drop_library
  KESTRALON_FTP_PORT=$port "$KESTRALON_WINE" cmd /c "$(winpath "$folder/HAND.BAT")" > /dev/null 2>&1 || true
  # The same work as the installation, judged as the installer judges it, by the host's replies in
  # any language: three uploads completed, no command refused, the last session ended.
  if [ ! -f "$folder/end.mark" ] || grep -aqi "ERROR OCCURRED ON COMMAND" "$folder"/job*.log ||
    [ "$(cat "$folder"/job*.log | uploads_completed)" != 3 ] || ! grep -aq '^221' "$folder/job3.log"; then
    fail "the hand-run failed; see $folder (KEEP_WORK=1 keeps it)"
  fi
  echo "$(date -r "$folder/start.mark" +%s.%N) $(date -r "$folder/end.mark" +%s.%N)" | awk '{ print $2 - $1 }'
}

# One run of a kind: install (the installer without TLS), no-progress (the installer not reading
# the log while a job runs), tls (the installer over TLS) or hand (the hand-run).
run_once() {
  case $2 in
    install) install_time "$1" with "$3" ;;
    no-progress) install_time "$1" without "$3" ;;
    tls) install_time "$1" with "$3" -tls ;;
    hand) hand_time "$1" "$3" ;;
  esac
}

sed "s/@ADDRESS@/$address/" "$root/scripts/bench-install.txt" > "$work/scenario.txt"
kinds=(install no-progress hand tls)
for size in 1M 256M; do prepare_app $size; done
# Wine's first start and a cold page cache are not measured.
run_once 1M install warm-up > /dev/null
run_once 1M hand warm-up > /dev/null

for size in 1M 256M; do
  : > "$work/rounds-$size"
  for round in $(seq "$rounds"); do
    # Each kind goes first, second, third and last in turn, so that none always follows the same one.
    declare -A seconds=()
    for i in 0 1 2 3; do
      kind=${kinds[$(((round + i) % 4))]}
      seconds[$kind]=$(run_once $size "$kind" "$round")
    done
    echo "${seconds[install]} ${seconds[no-progress]} ${seconds[hand]} ${seconds[tls]}" >> "$work/rounds-$size"
  done
  echo "$size $(curl_upload "$work/app-$size/PRODUCT.SAVF")" >> "$work/curl"
done

# Medians over the rounds; the ratios and the difference are each round's own, so that a load
# that comes and goes on the machine between rounds cancels out.
# $2: an awk expression over a round's line ($1 install, $2 no-progress, $3 hand-run, $4 over TLS).
column_median() { awk "{ print $2 }" "$1" | median; }
echo "The $pair pair. Medians of $rounds rounds, in seconds. no-progress: the installer with KESTRALON_TEST_NO_PROGRESS=1."
echo "size  install  hand-run  install/hand  install-hand  no-progress  install/no-progress  curl  install/curl  over-TLS  TLS/plain"
# shellcheck disable=SC2016 # the $1, $2, $3 are awk's
while read -r size upload; do
  f="$work/rounds-$size"
  printf '%-4s %8.2f %9.2f %13.2f %13.2f %12.2f %20.3f %5.2f %12.2f %9.2f %10.2f\n' "$size" \
    "$(column_median "$f" '$1')" "$(column_median "$f" '$3')" "$(column_median "$f" '$1 / $3')" \
    "$(column_median "$f" '$1 - $3')" "$(column_median "$f" '$2')" "$(column_median "$f" '$1 / $2')" "$upload" \
    "$(column_median "$f" "\$1 / $upload")" "$(column_median "$f" '$4')" "$(column_median "$f" '$4 / $1')"
done < "$work/curl"
echo "Every round (install, no-progress, hand-run, over TLS):"
for size in 1M 256M; do
  printf '  %-4s %s\n' $size "$(awk '{ printf "%s%.2f %.2f %.2f %.2f", (NR > 1 ? " | " : ""), $1, $2, $3, $4 }' "$work/rounds-$size")"
done

# The rate-limited host: the installation against its floor, in alternating order.
rate=${RATE:-32M}
rate_size=${RATE_SIZE:-256M}
start_host 127.0.62.2 slow --max-rate "$rate"
slow_host=$started
slow_port=$(awk '{ print $3 }' "$work/ready-slow")
[ -d "$work/app-$rate_size" ] || prepare_app "$rate_size"
sed "s/@ADDRESS@/127.0.62.2/" "$root/scripts/bench-install.txt" > "$work/scenario.txt"
address=127.0.62.2
port=$slow_port
: > "$work/rounds-rate"
for round in $(seq "${RATE_ROUNDS:-3}"); do
  if [ $((round % 2)) = 1 ]; then
    installed=$(install_time "$rate_size" with "rate-$round")
    floor=$(curl_floor $address "$port" "$work/app-$rate_size/PRODUCT.SAVF")
  else
    floor=$(curl_floor $address "$port" "$work/app-$rate_size/PRODUCT.SAVF")
    installed=$(install_time "$rate_size" with "rate-$round")
  fi
  echo "$installed $floor" >> "$work/rounds-rate"
done
echo "A host that takes uploads at $rate bytes/s, product $rate_size; medians of ${RATE_ROUNDS:-3} rounds, in seconds."
echo "install  floor (curl: save file, upload, restore)  install/floor"
# shellcheck disable=SC2016 # the $1, $2 are awk's
printf '%7.2f %41.2f %14.3f\n' "$(column_median "$work/rounds-rate" '$1')" "$(column_median "$work/rounds-rate" '$2')" \
  "$(column_median "$work/rounds-rate" '$1 / $2')"
printf '  every round (install, floor): %s\n' "$(awk '{ printf "%s%.2f %.2f", (NR > 1 ? " | " : ""), $1, $2 }' "$work/rounds-rate")"
