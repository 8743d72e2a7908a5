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

script=recorder_window.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/recorder}
scales=(1 2)
languages=(eng chs)

. "$(dirname "$0")/x_session.sh"
session_begin rec 1600x1200x24 pulseaudio
session_pulse || {
  echo "$script: the private PulseAudio did not start" >&2
  exit 1
}
session_program
export TAZMEL_AUDIO_OUTPUT=null TAZMEL_RECORD_AT_START=1

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
