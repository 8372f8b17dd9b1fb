#!/usr/bin/env bash
# Teardown hook of a firewall test: stops the host, then removes the namespace, which takes its
# end of the veth pair and so the pair with it. --namespace-only leaves the host alone.
[ "${1:-}" = --namespace-only ] || bash "$(dirname "${BASH_SOURCE[0]}")/host-teardown.sh"
ip netns del "$NETNS" 2> /dev/null
ip link del "$NETNS-h" 2> /dev/null
exit 0
