#!/usr/bin/env bash
# Teardown hook of a workflow test: stops the test's substitute host.
pid=$(cat "$E2E_RUN/host.pid" 2> /dev/null) || exit 0
kill -TERM "$pid" 2> /dev/null || exit 0
for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || exit 0; sleep 0.1; done
kill -KILL "$pid" 2> /dev/null
exit 0
