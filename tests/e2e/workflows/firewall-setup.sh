#!/usr/bin/env bash
# Setup hook of a firewall test: the installer's side runs in a network namespace of its own
# (NETNS, address PC_ADDRESS), joined to the host's side (HOST_ADDRESS) by a veth pair, behind a
# firewall that drops every connection coming in, as a PC's firewall drops the host's connections
# back to it in active mode; connections going out pass. Then the usual substitute host starts.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
bash "$here/firewall-teardown.sh" --namespace-only # what a killed earlier run left
ip netns add "$NETNS"
ip link add "$NETNS-h" type veth peer name "$NETNS-p"
ip link set "$NETNS-p" netns "$NETNS"
ip addr add "$HOST_ADDRESS/24" dev "$NETNS-h"
ip link set "$NETNS-h" up
ip netns exec "$NETNS" ip addr add "$PC_ADDRESS/24" dev "$NETNS-p"
ip netns exec "$NETNS" ip link set "$NETNS-p" up
ip netns exec "$NETNS" ip link set lo up
# A SYN without ACK is a connection being opened: dropped, with no answer, as firewalls do.
ip netns exec "$NETNS" nft -f - << NFT
table inet firewall {
  chain input {
    type filter hook input priority 0; policy accept;
    iifname "$NETNS-p" tcp flags & (syn | ack) == syn drop
  }
}
NFT
exec bash "$here/host-setup.sh"
