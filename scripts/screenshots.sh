#!/usr/bin/env bash
# Screenshots of the main window, playing, in every bundled skin at scale 1
# and 2, plus one with the main menu open.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots)
#   BUILD_DIR  a built tree (default: build); `make screenshots` builds one.
# Everything runs on a private Xvfb and a private PulseAudio with a null
# sink, with a throw-away program folder and configuration: nothing of the
# user's desktop, sound or settings is touched.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "screenshots.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots}
player=$build/tazmel
skins=(Default Daylight)
scales=(1 2)

[[ -x $player && -f $build/Tazmel.ini ]] || {
  echo "screenshots.sh: $build holds no built player (run 'make screenshots')" >&2
  exit 2
}
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || {
    echo "screenshots.sh: $tool is missing (scripts/setup.sh look)" >&2
    exit 2
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-shots-XXXXXX")
xvfb_pid=
player_pid=
pulse_dir=$work/pulse
pulse_script=$root/tests/recording/pulse_daemon.sh
pulse_up=

cleanup() {
  [[ -n $player_pid ]] && kill -KILL "$player_pid" 2>/dev/null
  [[ -n $pulse_up ]] && "$pulse_script" stop "$pulse_dir" >/dev/null 2>&1
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number once it accepts
# connections.
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q . "$work/display" 2>/dev/null || {
  echo "screenshots.sh: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

# The player plays through PulseAudio; without a server it shows an error
# instead of "Playing".
if command -v pulseaudio >/dev/null && "$pulse_script" start "$pulse_dir" >/dev/null 2>&1; then
  pulse_up=1
  export XDG_RUNTIME_DIR=$pulse_dir PULSE_SERVER=unix:$pulse_dir/pulse/native
else
  echo "screenshots.sh: no private PulseAudio (scripts/setup.sh look); the player will not reach Playing" >&2
fi

home=$work/program
mkdir -p "$home" "$work/config" "$out"
cp -r "$build/Tazmel.ini" "$build/Language" "$build/Skins" "$build/sound" "$build/data" "$home/"
export TAZMEL_HOME=$home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb TAZMEL_REPORT_PAINT=1
unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR

# le32 N: N as four little-endian bytes.
le32() { printf '%b' "$(printf '\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }
# make_long_sound FROM TO TIMES: the PCM of the WAV file FROM repeated. The
# waiting sound lasts under two seconds, over before a shot is taken; the
# same sound repeated for half a minute keeps the player playing.
make_long_sound() {
  local from=$1 to=$2 times=$3 at size
  at=$(grep -m1 -obUa data "$from" | cut -d: -f1)
  size=$(od -An -tu4 -j $((at + 4)) -N4 "$from" | tr -d ' ')
  {
    printf RIFF
    le32 $((at + size * times))
    head -c "$at" "$from" | tail -c +9
    printf data
    le32 $((size * times))
    for _ in $(seq "$times"); do head -c $((at + 8 + size)) "$from" | tail -c "$size"; done
  } >"$to"
}
sound=$home/sound/chs/waiting-long.wav
make_long_sound "$home/sound/chs/waiting.wav" "$sound" 16

# Settings as shipped, but playing the typed address `sound` at start, with
# the window near the top left corner: the first-start place leaves part of
# it off a screen narrower than twice the window (1024 px at scale 2).
write_settings() {
  awk -v url="$sound" -v skin="$1" '
    { sub(/\r$/, "") }
    /^\[/ { section = $0 }
    section == "[Options]" && /^AutoPlay=/ { $0 = "AutoPlay=1" }
    section == "[Skin]" && /^SkinName=/ { $0 = "SkinName=" skin }
    { printf "%s\r\n", $0 }
    $0 == "[Player]" { printf "CurPlayID=0\r\nCurUserUrl=%s\r\n", url }
    END { printf "\r\n[frmMain]\r\nLeft=16\r\nTop=16\r\n" }
  ' "$home/Tazmel.ini" >"$home/User.ini"
}

# start_player SCALE: starts the player and waits for its first paint.
start_player() {
  QT_SCALE_FACTOR=$1 "$player" >"$work/player.log" 2>&1 &
  player_pid=$!
  for _ in $(seq 200); do
    grep -qx first-paint "$work/player.log" && return 0
    kill -0 "$player_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "screenshots.sh: the player never painted its window; its output:" >&2
  cat "$work/player.log" >&2
  return 1
}

stop_player() {
  kill -TERM "$player_pid" 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$player_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$player_pid" 2>/dev/null; then
    echo "screenshots.sh: the player did not end on SIGTERM; killed" >&2
    kill -KILL "$player_pid"
  fi
  wait "$player_pid" 2>/dev/null || true
  player_pid=
}

# X Y WIDTH HEIGHT of the largest visible window of the player titled
# Tazmel: the main window (the video window stays unmapped).
main_window_geometry() {
  local id best='' area=0 X=0 Y=0 WIDTH=0 HEIGHT=0
  for id in $(xdotool search --onlyvisible --pid "$player_pid" --name '^Tazmel$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    if ((WIDTH * HEIGHT > area)); then
      area=$((WIDTH * HEIGHT))
      best="$X $Y $WIDTH $HEIGHT"
    fi
  done
  [[ -n $best ]] && echo "$best"
}

shots=()
for skin in "${skins[@]}"; do
  for scale in "${scales[@]}"; do
    write_settings "$skin"
    start_player "$scale"
    sleep 2.5
    read -r x y w h < <(main_window_geometry) || {
      echo "screenshots.sh: no main window found" >&2
      exit 1
    }
    shot=$out/$skin-${scale}x.png
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
    shots+=("$shot")
    if [[ $skin == Default && $scale == 1 ]]; then
      # A right click on the title panel opens the main menu.
      xdotool mousemove $((x + w / 4)) $((y + h * 3 / 10)) click 3
      sleep 0.5
      shot=$out/$skin-${scale}x-menu.png
      import -window root "$shot"
      shots+=("$shot")
      xdotool key Escape
    fi
    stop_player
  done
done
printf '%s\n' "${shots[@]}"
