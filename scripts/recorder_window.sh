#!/usr/bin/env bash
# Screenshots of the recorder window on a private X server and a private
# PulseAudio (its null sinks, tone and tone source fill the mixer lists):
# idle, and recording with the counters running, at scale 1 and 2, in
# English and in Chinese. The window comes up as the record button brings
# it up when no save folder is set yet.
# Usage: scripts/recorder_window.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/recorder)
#   BUILD_DIR  a built tree (default: build).
# Nothing of the user's desktop, sound or settings is touched.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "recorder_window.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/recorder}
player=$build/tazmel
scales=(1 2)
languages=(eng chs)

[[ -x $player && -f $build/Tazmel.ini ]] || {
  echo "recorder_window.sh: $build holds no built player" >&2
  exit 2
}
for tool in Xvfb xdotool import pulseaudio; do
  command -v "$tool" >/dev/null || {
    echo "recorder_window.sh: $tool is missing (scripts/setup.sh look)" >&2
    exit 2
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-rec-XXXXXX")
xvfb_pid=
player_pid=
pulse_dir=$work/pulse
pulse_script=$root/tests/recording/pulse_daemon.sh
pulse_up=
cleanup() {
  [[ -n $player_pid ]] && kill -KILL "$player_pid" 2>/dev/null
  [[ -n $pulse_up ]] && sh "$pulse_script" stop "$pulse_dir" >/dev/null 2>&1
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# XVFB_DISPLAY (a number) picks the display; else Xvfb picks a free one.
if [[ -n ${XVFB_DISPLAY:-} ]]; then
  Xvfb ":$XVFB_DISPLAY" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  echo "$XVFB_DISPLAY" >"$work/display"
  sleep 1
else
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
fi
xvfb_pid=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q . "$work/display" 2>/dev/null || {
  echo "recorder_window.sh: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

sh "$pulse_script" start "$pulse_dir" >/dev/null
pulse_up=1
export XDG_RUNTIME_DIR=$pulse_dir PULSE_SERVER=unix:$pulse_dir/pulse/native PULSE_COOKIE=$pulse_dir/cookie

home=$work/program
mkdir -p "$home" "$work/config" "$out"
cp -r "$build/Tazmel.ini" "$build/Language" "$build/Skins" "$build/sound" "$build/data" "$home/"
export TAZMEL_HOME=$home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb TAZMEL_REPORT_PAINT=1
export TAZMEL_AUDIO_OUTPUT=null TAZMEL_RECORD_AT_START=1
unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR

# write_settings LANGUAGE: shipped settings, no save folder, the main
# window in the top left corner.
write_settings() {
  awk -v lng="$1" '
    { sub(/\r$/, "") }
    /^\[/ { section = $0 }
    section == "[Language]" && /^CurLng=/ { $0 = "CurLng=" lng }
    { printf "%s\r\n", $0 }
    END { printf "\r\n[frmMain]\r\nLeft=0\r\nTop=0\r\n" }
  ' "$home/Tazmel.ini" >"$home/User.ini"
}

start_player() {
  QT_SCALE_FACTOR=$1 "$player" >"$work/player.log" 2>&1 &
  player_pid=$!
  for _ in $(seq 200); do
    grep -qx first-paint "$work/player.log" && return 0
    kill -0 "$player_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "recorder_window.sh: the player never painted its window; its output:" >&2
  cat "$work/player.log" >&2
  return 1
}

stop_player() {
  kill -TERM "$player_pid" 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$player_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$player_pid" 2>/dev/null || true
  wait "$player_pid" 2>/dev/null || true
  player_pid=
}

shot_window() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
  shots+=("$2")
}

shots=()
for scale in "${scales[@]}"; do
  for lng in "${languages[@]}"; do
    write_settings "$lng"
    start_player "$scale"
    sleep 2
    id=$(xdotool search --onlyvisible --name '^(Recorder|录音机)$' | head -n1)
    [[ -n $id ]] || {
      echo "recorder_window.sh: ${scale}x $lng: no recorder window" >&2
      stop_player
      exit 1
    }
    xdotool windowmove "$id" 0 $((120 * scale))
    sleep 0.5
    shot_window "$id" "$out/recorder-${scale}x-$lng.png"
    # Start, the first button below the record file: the first recording
    # goes to the program folder's Record folder.
    xdotool mousemove $((50 * scale)) $((120 * scale + 51 * scale)) click 1
    sleep 3.5
    shot_window "$id" "$out/recorder-${scale}x-$lng-recording.png"
    stop_player
  done
done
printf '%s\n' "${shots[@]}"
