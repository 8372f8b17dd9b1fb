#!/usr/bin/env bash
# A self-signed test certificate, made when a test needs it (no key is ever committed):
#   make-test-cert.sh DIR [CN] [IP]
# writes DIR/cert.pem, DIR/key.pem (RSA 2048, unencrypted) and DIR/sha256.txt (the certificate's
# SHA-256 over its DER form, 64 lower-case hex digits, as a client pins it). CN defaults to
# localhost; IP, when given, goes into the subject alternative names beside the CN. Prints nothing.
set -euo pipefail
dir=${1:?usage: make-test-cert.sh DIR [CN] [IP]}
cn=${2:-localhost}
ip=${3:-}
mkdir -p "$dir"
san="DNS:$cn"
[ -n "$ip" ] && san="$san,IP:$ip"
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$cn" -addext "subjectAltName=$san" \
  -keyout "$dir/key.pem" -out "$dir/cert.pem" > /dev/null 2>&1
openssl x509 -in "$dir/cert.pem" -outform DER | sha256sum | cut -c1-64 > "$dir/sha256.txt"
