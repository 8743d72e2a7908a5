#!/usr/bin/env bash
# Screenshots of the main window, playing, in every bundled skin at scale 1
# and 2, plus one with the main menu open.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots)
#   BUILD_DIR  a built tree (default: build); `make screenshots` builds one.
# Everything runs on a private Xvfb and a private PulseAudio with a null
# sink, with a throw-away program folder and configuration: nothing of the
# user's desktop, sound or settings is touched.
set -euo pipefail

script=screenshots.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build} (run 'make screenshots')" >&2
  exit 2
}
out=${1:-$build/screenshots}
skins=(Default Daylight)
scales=(1 2)

. "$(dirname "$0")/x_session.sh"
session_begin shots 1024x700x24 convert
# The player plays through PulseAudio; without a server it shows an error
# instead of "Playing".
session_pulse || echo "$script: no private PulseAudio (scripts/setup.sh look); the player will not reach Playing" >&2
session_program

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
