#!/usr/bin/env bash
# A private PulseAudio server with one null sink, for tests that play through a real sound
# server on a machine without a sound device.
#
#   scripts/sound-server.sh start DIR   starts it; clients reach it at unix:DIR/native, the
#                                       sink is "null", what it plays is on "null.monitor"
#   scripts/sound-server.sh stop DIR    stops the server started in DIR
#
# DIR must be an empty private directory; the server keeps its runtime files, its home and
# its log (DIR/server.log) there and touches nothing of the user's own sound setup.
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ] || [ ! -d "$dir" ]; then
  echo "usage: $0 start|stop DIR (an existing directory)" >&2
  exit 2
fi
dir=$(cd "$dir" && pwd)

case "$command" in
start)
  if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "pulseaudio and pactl are not installed (scripts/install-deps.sh installs them)" >&2
    exit 1
  fi
  chmod 700 "$dir"
  # Anonymous access on a socket in a private directory: no cookie, no D-Bus, no session.
  # Running as root (CI) only earns a warning from the server, so it is allowed here.
  HOME="$dir" XDG_RUNTIME_DIR="$dir" XDG_CONFIG_HOME="$dir/config" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
    -L "module-null-sink sink_name=null rate=44100 channels=2 format=s16le" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
    >"$dir/server.log" 2>&1 </dev/null &
  echo $! >"$dir/server.pid"
  for _ in $(seq 1 100); do
    if PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
      exit 0
    fi
    if ! kill -0 "$(cat "$dir/server.pid")" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done
  echo "the sound server did not start; its log:" >&2
  cat "$dir/server.log" >&2
  kill "$(cat "$dir/server.pid")" 2>/dev/null || true
  exit 1
  ;;
stop)
  if [ -f "$dir/server.pid" ]; then
    pid=$(cat "$dir/server.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || exit 0
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
