#!/usr/bin/env bash
# Check hook of a workflow test: what the test left on the substitute host.
# HOST_EXPECT is "installed LIB" (LIB holds every object of the product save file), "empty LIB"
# (LIB exists and holds nothing) or "absent LIB" (no such library).
set -uo pipefail
read -r what library <<< "$HOST_EXPECT"
listing=$("$NATIVE_BUILD/hostsim/hostsim" list --state "$E2E_RUN/host-state" "$library")
status=$?
echo "$listing" > "$E2E_OUTPUT/host-library.txt"
# Name and type of each object: the rows after savfimg's column heading or hostsim's first line.
objects() { awk '/^Object +Type/ || /^Library / { rows = 1; next } rows && NF >= 2 { print $1, $2 }' | sort; }
case "$what" in
  absent) [ $status -ne 0 ] || { echo "library $library exists on the host"; exit 1; } ;;
  empty)
    [ $status -eq 0 ] || { echo "library $library is missing on the host"; exit 1; }
    [ -z "$(objects <<< "$listing")" ] || { echo "library $library is not empty"; exit 1; } ;;
  installed)
    [ $status -eq 0 ] || { echo "library $library is missing on the host"; exit 1; }
    savf=$(ls "$E2E_APP"/*.SAVF | head -n 1) # the one product save file, whatever its name
    expected=$("$NATIVE_BUILD/savf/savfimg" list "$savf" | objects)
    if [ "$(objects <<< "$listing")" != "$expected" ]; then
      echo "library $library does not hold the product's objects:"
      diff <(echo "$expected") <(objects <<< "$listing")
      exit 1
    fi
    # The product goes up once, in the connection that restores it and calls the verification; and
    # the run is three connections (check, probe, installation), besides one for each refused
    # log-on, one for each that sent no user name at all (a first job that asked for TLS and got
    # none, or met a certificate it had to ask about), and one for the check's run in active mode
    # where that was blocked.
    # The run's host is the last one started (the setup hook's own, making LIBRARIES, ran before).
    log="$E2E_OUTPUT/hostsim.log"
    run_log=$(awk '/\] listening on / { n = NR } { line[NR] = $0 } END { for (i = n; i <= NR; i++) print line[i] }' "$log")
    size=$(stat -c %s "$savf")
    uploads=$(grep -E "\] received $size bytes$" <<< "$run_log")
    [ "$(grep -c . <<< "$uploads")" = 1 ] || { echo "the product went up $(grep -c . <<< "$uploads") times"; exit 1; }
    connection=$(sed -E 's/.*\[([0-9]+)\].*/\1/' <<< "$uploads")
    for command in RSTLIB CALL; do
      grep -qE "\[$connection\] > (SITE |QUOTE )?RCMD \"?$command " <(sed 's/> rcmd /> RCMD /I' <<< "$run_log") ||
        { echo "connection $connection, which took the product, sent no $command"; exit 1; }
    done
    connections=$(grep -c '\] connected from ' <<< "$run_log")
    refused=$(grep -E '\] < 530 ' <<< "$run_log" | sed -E 's/.*\[([0-9]+)\].*/\1/' | sort -u | grep -c .)
    unnamed=$(comm -23 <(grep -oE '\[[0-9]+\] connected from ' <<< "$run_log" | grep -oE '[0-9]+' | sort -u) \
      <(grep -oE '\[[0-9]+\] > USER ' <<< "$run_log" | grep -oE '[0-9]+' | sort -u) | grep -c .)
    wanted=$((3 + refused + unnamed))
    if [[ " ${HOST_ARGS:-} " == *" --block-active "* ]] || [ -n "${NETNS:-}" ]; then wanted=$((wanted + 1)); fi
    [ "$connections" = "$wanted" ] || { echo "$connections connections, not $wanted"; exit 1; } ;;
  *) echo "HOST_EXPECT must be installed, empty or absent, not '$what'"; exit 1 ;;
esac
# Behind a firewall that blocks active mode (the host's switch, or a real one: NETNS), the
# transcript must show the one failed active upload (the check's first job) and passive uploads
# from then on: three in an installation (job 1 again, job 3's host object and product), one where
# the check stopped at job 1's second run.
if [[ " ${HOST_ARGS:-} " == *" --block-active "* ]] || [ -n "${NETNS:-}" ]; then
  log="$E2E_OUTPUT/hostsim.log"
  grep -qE ' \[1\] (< 425 |fault switch: connection back to the client blocked)' "$log" ||
    { echo "the first job's active upload was not refused"; exit 1; }
  if grep -E '\] > PORT ' "$log" | grep -qvE ' \[1\] > PORT '; then
    echo "a job after the first used active mode:"
    grep -E '\] > PORT ' "$log"
    exit 1
  fi
  passive=$(grep -cE '\] > PASV' "$log")
  wanted=1
  [ "$what" = installed ] && wanted=3
  [ "$passive" = "$wanted" ] || { echo "$passive passive transfers, not $wanted"; exit 1; }
fi
# TLS, read from the host's log: "[N] TLS established: ..." for a connection that went over TLS,
# "[N] > USER ..." and "[N] > PASS ****" for what a client sent to log on.
if [ -n "${TLS_EXPECT:-}" ]; then
  log="$E2E_OUTPUT/hostsim.log"
  logons=$(grep -oE '\[[0-9]+\] > (USER|PASS)' "$log" | grep -oE '[0-9]+' | sort -un)
  secured=$(grep -oE '\[[0-9]+\] TLS established' "$log" | grep -oE '[0-9]+' | sort -un)
  asked=$(grep -oE '\[[0-9]+\] > AUTH' "$log" | grep -oE '[0-9]+' | sort -un)
  case "$TLS_EXPECT" in
    all | all-remembered)
      [ -n "$secured" ] || { echo "no connection went over TLS"; exit 1; }
      plain=$(comm -23 <(echo "$logons") <(echo "$secured"))
      [ -z "$plain" ] || { echo "a user name or password went in clear on connection(s) $plain"; exit 1; }
      if [ "$TLS_EXPECT" = all-remembered ]; then
        hosts="$E2E_RUN/localappdata/KESTRALON/tls-hosts.txt"
        grep -q "^$HOST_ADDRESS $(cat "$E2E_RUN/tls/sha256.txt") " "$hosts" ||
          { echo "the certificate is not remembered for $HOST_ADDRESS:"; cat "$hosts"; exit 1; }
      fi ;;
    declined)
      # Asked for once, by the first job, which then sent nothing; every job after it plain.
      [ "$asked" = 1 ] || { echo "TLS asked for on connection(s) $asked, not on the first alone"; exit 1; }
      ! grep -qE '\[1\] > (USER|PASS)' "$log" || { echo "the first job logged on without TLS"; exit 1; }
      [ -z "$secured" ] || { echo "a connection went over TLS"; exit 1; }
      # Windows' client, as without TLS: active mode, so the host is told a PORT.
      grep -qE '\] > PORT ' "$log" || { echo "no job ran in active mode with Windows' client"; exit 1; } ;;
    nothing-sent)
      [ -z "$logons" ] || { echo "a user name or password reached the host on connection(s) $logons"; exit 1; } ;;
    *) echo "TLS_EXPECT must be all, all-remembered, declined or nothing-sent, not '$TLS_EXPECT'"; exit 1 ;;
  esac
  echo "host check passed: TLS $TLS_EXPECT"
fi
echo "host check passed: $HOST_EXPECT"
