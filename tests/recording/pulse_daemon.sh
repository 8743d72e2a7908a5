#!/bin/sh
# pulse_daemon.sh start|stop RUNTIME_DIR
#
# A private PulseAudio server for tests: the null sink tazmel_sink (the
# default sink; its monitor tazmel_sink.monitor is the default source), two
# more null sinks that share the description "Twin" (tazmel_twin_a,
# into which module-sine plays 1000 Hz, and the silent tazmel_twin_b), and
# tazmel_mic, a 440 Hz mono sine source; reachable at
# unix:RUNTIME_DIR/pulse/native. It keeps its files (pid, log, config) in
# RUNTIME_DIR and never touches the user's own server or home. Works as root.
#
# start ends any server an earlier run left in RUNTIME_DIR, starts a new one
# and waits until it answers; stop ends it and waits until it is gone.
set -u

usage() {
  echo "usage: $0 start|stop RUNTIME_DIR" >&2
  exit 2
}
[ $# -eq 2 ] || usage
action=$1
case $2 in
  /*) dir=$2 ;;
  *) dir=$(pwd)/$2 ;;
esac
pidfile=$dir/daemon.pid
log=$dir/daemon.log
socket=$dir/pulse/native

# The recorded server, if it is still ours: the pid must belong to a
# PulseAudio whose command line names this folder's log file.
running_pid() {
  [ -f "$pidfile" ] || return 1
  pid=$(cat "$pidfile" 2>/dev/null)
  case $pid in '' | *[!0-9]*) return 1 ;; esac
  [ -r "/proc/$pid/cmdline" ] || return 1
  tr '\0' '\n' <"/proc/$pid/cmdline" | grep -qxF -- "--log-target=file:$log" || return 1
  echo "$pid"
}

# Ends the recorded server: TERM, then KILL after 5 s; waits until it is gone.
stop_daemon() {
  pid=$(running_pid) || { rm -f "$pidfile"; return 0; }
  kill -TERM "$pid" 2>/dev/null
  tries=0
  while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries + 1))
    if [ $tries -eq 100 ]; then
      kill -KILL "$pid" 2>/dev/null
    elif [ $tries -gt 200 ]; then
      echo "pulse_daemon.sh: server $pid does not end" >&2
      return 1
    fi
    sleep 0.05
  done
  rm -f "$pidfile"
}

answers() {
  PULSE_SERVER=unix:$socket pactl info >/dev/null 2>&1
}

start_daemon() {
  stop_daemon || return 1
  mkdir -p "$dir/home" "$dir/config" || return 1
  chmod 700 "$dir" || return 1
  rm -rf "$dir/pulse"
  : >"$log"
  # The server forks nothing (--daemonize=no); backgrounded with every
  # stream redirected, so whoever started this script is not kept waiting
  # for its output to close.
  HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir \
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --disallow-exit \
    --log-target="file:$log" \
    --load="module-null-sink sink_name=tazmel_sink" \
    --load="module-null-sink sink_name=tazmel_twin_a sink_properties=device.description=Twin" \
    --load="module-null-sink sink_name=tazmel_twin_b sink_properties=device.description=Twin" \
    --load="module-sine sink=tazmel_twin_a frequency=1000" \
    --load="module-sine-source source_name=tazmel_mic rate=44100 frequency=440" \
    --load="module-native-protocol-unix socket=$socket" \
    </dev/null >>"$log" 2>&1 &
  started=$!
  echo $started >"$pidfile"
  tries=0
  until answers; do
    tries=$((tries + 1))
    if ! kill -0 $started 2>/dev/null || [ $tries -gt 200 ]; then
      echo "pulse_daemon.sh: the server did not come up; its log:" >&2
      cat "$log" >&2
      stop_daemon
      return 1
    fi
    sleep 0.05
  done
  # The sine source would otherwise be the default source.
  PULSE_SERVER=unix:$socket pactl set-default-sink tazmel_sink &&
    PULSE_SERVER=unix:$socket pactl set-default-source tazmel_sink.monitor || return 1
  echo "PulseAudio answers at unix:$socket"
}

case $action in
  start) start_daemon ;;
  stop) stop_daemon ;;
  *) usage ;;
esac
