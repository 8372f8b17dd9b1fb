#!/usr/bin/env bash
# Setup hook of a workflow test: installs our ftp client into the Wine prefix and starts a
# substitute host of its own on port 21 of the test's loopback address.
# From the generated wrapper: HOST_ADDRESS, HOST_ARGS (extra serve options), HOST_LIBRARIES
# (libraries that exist before the test), NATIVE_BUILD, and for TLS HOST_TLS, PIN_SETTING and
# REMEMBERED (see CMakeLists.txt). From run-e2e.sh: E2E_* and KESTRALON_BUILD.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
hostsim="$NATIVE_BUILD/hostsim/hostsim"
state="$E2E_RUN/host-state"
[ -x "$hostsim" ] || { echo "no substitute host at $hostsim (build the native tree)"; exit 1; }

bash "$root/testbed/install-ftp.sh"

# Starts a host on the test's address and waits for its ready file.
start_host() {
  rm -f "$E2E_RUN/host.ready"
  "$hostsim" serve --address "$HOST_ADDRESS" --port 21 --state "$state" --users "$here/users.txt" \
    --log "$E2E_OUTPUT/hostsim.log" --ready-file "$E2E_RUN/host.ready" "$@" > /dev/null 2>&1 &
  echo $! > "$E2E_RUN/host.pid"
  for _ in $(seq 100); do
    [ -f "$E2E_RUN/host.ready" ] && return 0
    kill -0 "$(cat "$E2E_RUN/host.pid")" 2> /dev/null || break
    sleep 0.1
  done
  echo "the substitute host did not start on $HOST_ADDRESS:21 (see hostsim.log)"
  return 1
}

stop_host() {
  local pid
  pid=$(cat "$E2E_RUN/host.pid" 2> /dev/null) || return 0
  kill -TERM "$pid" 2> /dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || return 0; sleep 0.1; done
  kill -KILL "$pid" 2> /dev/null || true
}

# Libraries that exist before the test are made by a host without fault switches, so that the
# switches count the installer's connections only. LIB=installed holds the demo product, restored
# by an earlier connection, as a site's earlier installation left it; LIB alone is empty.
if [ -n "${HOST_LIBRARIES:-}" ]; then
  start_host
  for library in $HOST_LIBRARIES; do
    python3 - "$HOST_ADDRESS" "${library%%=*}" "${library#*=}" "$NATIVE_BUILD/demo/PRODUCT.SAVF" <<'PY'
import ftplib, sys
address, library, kind, product = sys.argv[1:5]
ftp = ftplib.FTP(address, timeout=20)
ftp.login("DEMO", "DEMO1234")
if kind == "installed":
    ftp.sendcmd("RCMD CRTSAVF FILE(QTEMP/QSAVF)")
    with open(product, "rb") as data:
        ftp.storbinary("STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE", data)
    ftp.sendcmd("RCMD RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(%s)" % library)
else:
    ftp.sendcmd("RCMD CRTLIB LIB(%s)" % library)
ftp.quit()
PY
  done
  stop_host
fi
# A certificate of the test's own, never one kept in the tree: self-signed, naming the host's
# address, so that only a pin or the user's answer can make the installer trust it.
tls_args=()
if [ -n "${HOST_TLS:-}" ]; then
  bash "$root/testbed/make-test-cert.sh" "$E2E_RUN/tls" localhost "$HOST_ADDRESS"
  sha=$(cat "$E2E_RUN/tls/sha256.txt")
  echo "KESTRALON_TEST_CERT_SHA256=$sha" >> "$E2E_ENV_FILE"
  tls_args=(--tls "$E2E_RUN/tls/cert.pem,$E2E_RUN/tls/key.pem")
  [ "$HOST_TLS" = required ] && tls_args+=(--tls-required)
  if [ "${PIN_SETTING:-}" = TRUE ]; then
    printf 'TlsCertificateSha256=%s\r\n' "$(sed 's/../&:/g; s/:$//' <<< "$sha")" >> "$E2E_APP/CONFIG.INI"
  fi
fi
# What the user answered in an earlier run: this host with its certificate, or with another one.
if [ -n "${REMEMBERED:-}" ]; then
  remembered=$(cat "$E2E_RUN/tls/sha256.txt" 2> /dev/null || true)
  [ "$REMEMBERED" = other ] && remembered=$(printf '%064d' 7)
  mkdir -p "$E2E_RUN/localappdata/KESTRALON"
  printf '# remembered before the test\r\n%s %s 2026-01-01T00:00:00Z\r\n' "$HOST_ADDRESS" "$remembered" \
    > "$E2E_RUN/localappdata/KESTRALON/tls-hosts.txt"
fi
# shellcheck disable=SC2086
start_host $HOST_ARGS "${tls_args[@]}"
