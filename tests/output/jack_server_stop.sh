#!/usr/bin/env bash
# Stops the test JACK server started by jack_server_start.sh, by its PID.
# Usage: jack_server_stop.sh NAME WORKDIR
set -u
pidfile=$2/$1.pid
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
kill "$pid" 2>/dev/null || { rm -f "$pidfile"; exit 0; }
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || { rm -f "$pidfile"; exit 0; }
  sleep 0.2
done
kill -9 "$pid" 2>/dev/null
rm -f "$pidfile"
exit 0
