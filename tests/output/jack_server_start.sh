#!/usr/bin/env bash
# Starts a JACK server with the dummy backend for the audio tests and waits until it answers.
# Usage: jack_server_start.sh NAME WORKDIR [RATE] [PERIOD]
set -u
name=$1
dir=$2
rate=${3:-48000}
period=${4:-256}
mkdir -p "$dir"
if [ -f "$dir/$name.pid" ] && kill -0 "$(cat "$dir/$name.pid")" 2>/dev/null; then
  kill "$(cat "$dir/$name.pid")" 2>/dev/null
  sleep 0.5
fi
# JACK keeps a registry of at most eight servers and reclaims a dead server's slot only for
# the same name, so servers killed in earlier runs can fill it. With no JACK server running
# on the machine, every entry is stale and the registry may go (the server makes a new one).
if ! pgrep -x jackd >/dev/null && ! pgrep -x jackdmp >/dev/null; then
  rm -f /dev/shm/jack-shm-registry 2>/dev/null
fi
jackd -n "$name" --no-realtime -d dummy -r "$rate" -p "$period" >"$dir/$name.log" 2>&1 </dev/null &
echo $! >"$dir/$name.pid"
for _ in $(seq 1 100); do
  if JACK_DEFAULT_SERVER=$name JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1; then
    exit 0
  fi
  if ! kill -0 "$(cat "$dir/$name.pid")" 2>/dev/null; then
    echo "jackd exited; its log:" >&2
    cat "$dir/$name.log" >&2
    exit 1
  fi
  sleep 0.2
done
echo "jackd did not answer within 20 s; its log:" >&2
cat "$dir/$name.log" >&2
exit 1
