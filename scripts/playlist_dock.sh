#!/usr/bin/env bash
# The playlist window beside the main window on a private X server: drags
# each window by hand with xdotool and checks that both moved together
# while docked (exit status 1 when they did not), then takes screenshots of
# the playlist window, also with its tree menu open, in both bundled skins
# at scale 1 and 2, in English and in Chinese. The playlist shows whatever pane the build gives it.
# Usage: scripts/playlist_dock.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/playlist)
#   BUILD_DIR  a built tree (default: build).
# Nothing of the user's desktop, sound or settings is touched: the player
# runs with a throw-away program folder and configuration.
set -euo pipefail

script=playlist_dock.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/playlist}
skins=(Default Daylight)
scales=(1 2)
languages=(eng chs)

. "$(dirname "$0")/x_session.sh"
session_begin dock 1600x1200x24
session_program
export TAZMEL_AUDIO_OUTPUT=null

# write_settings SKIN LANGUAGE: shipped settings, the main window near the
# top left corner, the playlist where the skin puts it.
write_settings() {
  awk -v skin="$1" -v lng="$2" '
    { sub(/\r$/, "") }
    /^\[/ { section = $0 }
    section == "[Skin]" && /^SkinName=/ { $0 = "SkinName=" skin }
    section == "[Language]" && /^CurLng=/ { $0 = "CurLng=" lng }
    { printf "%s\r\n", $0 }
    END { printf "\r\n[frmMain]\r\nLeft=40\r\nTop=40\r\n" }
  ' "$home/Tazmel.ini" >"$home/User.ini"
}

# drag ID DX DY FROM_Y: presses on the window's background (a quarter in
# from the left, FROM_Y tenths of its height down; 0 is 5 pixels down) and
# moves the pointer by DX, DY in steps.
drag() {
  local id=$1 dx=$2 dy=$3 from_y=$4 x y w h i
  read -r x y w h < <(geometry "$id")
  local px=$((x + w / 4)) py=$((y + (from_y > 0 ? h * from_y / 10 : 5 * scale)))
  xdotool mousemove "$px" "$py" mousedown 1
  for i in 1 2 3 4 5; do
    xdotool mousemove $((px + dx * i / 5)) $((py + dy * i / 5))
    sleep 0.05
  done
  xdotool mouseup 1
  sleep 0.3
}

failures=0
# check_together WHAT BEFORE_MAIN BEFORE_LIST: both windows moved by the
# same amount since the positions given.
check_together() {
  local what=$1 mx0 my0 lx0 ly0 mx my lx ly _
  read -r mx0 my0 lx0 ly0 <<<"$2 $3"
  read -r mx my _ _ < <(geometry "$main_id")
  read -r lx ly _ _ < <(geometry "$list_id")
  if ((mx - mx0 == lx - lx0 && my - my0 == ly - ly0 && (mx != mx0 || my != my0))); then
    echo "ok: $what moved both by $((mx - mx0)),$((my - my0))"
  else
    echo "FAIL: $what: main $mx0,$my0 -> $mx,$my; playlist $lx0,$ly0 -> $lx,$ly" >&2
    failures=$((failures + 1))
  fi
}

shots=()
for skin in "${skins[@]}"; do
  for scale in "${scales[@]}"; do
    for lng in "${languages[@]}"; do
      write_settings "$skin" "$lng"
      start_player "$scale"
      main_x=$((40 * scale)) main_y=$((40 * scale))
      sleep 1.5
      find_windows || {
        echo "playlist_dock.sh: $skin ${scale}x $lng: the two windows were not found" >&2
        failures=$((failures + 1))
        stop_player
        continue
      }
      shot=$out/$skin-${scale}x-$lng.png
      read -r x y w h < <(geometry "$list_id")
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
      shots+=("$shot")
      # The tree menu, opened on the fourth top node, with the window.
      xdotool mousemove $((x + w / 3)) $((y + 84 * scale)) click 3
      sleep 0.8
      shot=$out/$skin-${scale}x-$lng-menu.png
      import -window root -crop "$((w + 260 * scale))x$((h + 420 * scale))+${x}+${y}" +repage "$shot"
      shots+=("$shot")
      xdotool key Escape
      sleep 0.3
      # Playing: a station of Channels, played by keys, the selection moved
      # off it so that the playing colour shows.
      xdotool mousemove $((x + w / 3)) $((y + 66 * scale)) click 1
      sleep 0.3
      xdotool key Right Down Return Up
      sleep 1.5
      shot=$out/$skin-${scale}x-$lng-playing.png
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
      shots+=("$shot")
      if [[ $lng == eng ]]; then
        read -r mx my _ _ < <(geometry "$main_id")
        read -r lx ly _ _ < <(geometry "$list_id")
        # The main window by its title panel, the playlist by its title.
        drag "$main_id" 60 40 3
        check_together "$skin ${scale}x main window drag" "$mx $my" "$lx $ly"
        read -r mx my _ _ < <(geometry "$main_id")
        read -r lx ly _ _ < <(geometry "$list_id")
        drag "$list_id" -30 50 0
        check_together "$skin ${scale}x playlist drag" "$mx $my" "$lx $ly"
        # Grown, the frame's tiles and the buttons follow the new size.
        read -r x y w h < <(geometry "$list_id")
        xdotool windowsize "$list_id" $((w + 150 * scale)) $((h + 90 * scale))
        sleep 0.7
        read -r x y w h < <(geometry "$list_id")
        shot=$out/$skin-${scale}x-$lng-grown.png
        import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
        shots+=("$shot")
      fi
      stop_player
    done
  done
done
printf '%s\n' "${shots[@]}"
((failures == 0))
