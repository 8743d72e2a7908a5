#!/usr/bin/env bash
# The playlist window in music mode on a private X server, with a music
# list of files lame made (English and Chinese names, tags written by
# id3v2): screenshots of the list with a row playing, its menu open, the
# file information dialog and the rename dialog, in both bundled skins at
# scale 1 and 2, in English and in Chinese.
# Usage: scripts/music_pane.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/music)
#   BUILD_DIR  a built tree (default: build).
# Nothing of the user's desktop, sound or settings is touched: the player
# runs with a throw-away program folder and configuration.
set -euo pipefail

build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "music_pane.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/music}
player=$build/tazmel
skins=(Default Daylight)
scales=(1 2)
languages=(eng chs)

[[ -x $player && -f $build/Tazmel.ini ]] || {
  echo "music_pane.sh: $build holds no built player" >&2
  exit 2
}
for tool in Xvfb xdotool import lame sox id3v2; do
  command -v "$tool" >/dev/null || {
    echo "music_pane.sh: $tool is missing (scripts/setup.sh look)" >&2
    exit 2
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-music-XXXXXX")
xvfb_pid=
player_pid=
cleanup() {
  [[ -n $player_pid ]] && kill -KILL "$player_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# DISPLAY_NUMBER picks the server's number; without it the first free one.
if [[ -n ${DISPLAY_NUMBER:-} ]]; then
  Xvfb ":$DISPLAY_NUMBER" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  echo "$DISPLAY_NUMBER" >"$work/display"
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
  echo "music_pane.sh: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

home=$work/program
mkdir -p "$home" "$work/config" "$out"
cp -r "$build/Tazmel.ini" "$build/Language" "$build/Skins" "$build/sound" "$build/data" "$home/"
export TAZMEL_HOME=$home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb TAZMEL_REPORT_PAINT=1
export TAZMEL_AUDIO_OUTPUT=null
unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR

# write_settings SKIN LANGUAGE: shipped settings, the main window near the
# top left corner, the playlist where the skin puts it.
write_settings() {
  awk -v skin="$1" -v lng="$2" '
    { sub(/\r$/, "") }
    /^\[/ { section = $0 }
    section == "[Skin]" && /^SkinName=/ { $0 = "SkinName=" skin }
    section == "[Language]" && /^CurLng=/ { $0 = "CurLng=" lng }
    section == "[frmPlayList]" && /^TreeVisible=/ { $0 = "TreeVisible=0" }
    section == "[frmPlayList]" && /^Visible=/ { $0 = "Visible=1" }
    { printf "%s\r\n", $0 }
    END { printf "\r\n[frmMain]\r\nLeft=40\r\nTop=40\r\n" }
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
  echo "music_pane.sh: the player never painted its window; its output:" >&2
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

# geometry ID: "X Y WIDTH HEIGHT" of a window.
geometry() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  echo "$X $Y $WIDTH $HEIGHT"
}

# Sets main_id and list_id: of the player's two visible windows, the main
# window is the one at the place the settings gave it.
find_windows() {
  main_id= list_id=
  local id x y w h
  for id in $(xdotool search --onlyvisible --pid "$player_pid" 2>/dev/null); do
    read -r x y w h < <(geometry "$id")
    ((w > 1 && h > 1)) || continue
    if [[ -z $main_id && $x == "$main_x" && $y == "$main_y" ]]; then
      main_id=$id
    else
      list_id=$id
    fi
  done
  [[ -n $main_id && -n $list_id ]]
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

# A few files with tags, and the list file naming them (in the data code
# page, as the program writes it).
music=$work/music
mkdir -p "$music/Album"
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 20 sine 300-3000 >/dev/null 2>&1
names=("Morning Walk" "Evening Jazz Session With A Rather Long Title" "静夜思" "Album/城市的夜晚" "Album/Track 05")
for name in "${names[@]}"; do
  lame --quiet -V 4 "$work/tone.wav" "$music/$name.mp3"
done
id3v2 -t "Evening Jazz" -a "The Loopback Quartet" -A "Live at 127.0.0.1" -y 2024 -g 8 -T 2 -c "Recorded for the screenshots" \
  "$music/Evening Jazz Session With A Rather Long Title.mp3" >/dev/null
{
  for name in "${names[@]}"; do printf '%s/%s.mp3\r\n' "$music" "$name"; done
  printf 'http://radio.example/live.mp3\r\n'
} | iconv -f UTF-8 -t GB18030 >"$home/Tazmel.m3u"

shots=()
for skin in "${skins[@]}"; do
  for scale in "${scales[@]}"; do
    for lng in "${languages[@]}"; do
      write_settings "$skin" "$lng"
      start_player "$scale"
      main_x=$((40 * scale)) main_y=$((40 * scale))
      sleep 1.5
      find_windows || {
        echo "music_pane.sh: $skin ${scale}x $lng: the two windows were not found" >&2
        failures=$((failures + 1))
        stop_player
        continue
      }
      read -r x y w h < <(geometry "$list_id")
      row=$(((h > 200 * scale ? 60 : 50) * scale))
      # The second row played by a double-click, the first selected after.
      xdotool mousemove $((x + w / 3)) $((y + row + 16 * scale)) click --repeat 2 --delay 80 1
      sleep 1.5
      xdotool mousemove $((x + w / 3)) $((y + row)) click 1
      sleep 0.5
      shot=$out/$skin-${scale}x-$lng.png
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
      shots+=("$shot")
      xdotool mousemove $((x + w / 3)) $((y + row + 16 * scale)) click 3
      sleep 0.8
      shot=$out/$skin-${scale}x-$lng-menu.png
      import -window root -crop "$((w + 260 * scale))x$((h + 300 * scale))+${x}+${y}" +repage "$shot"
      shots+=("$shot")
      xdotool key Escape
      sleep 0.3
      # The file information dialog on the tagged row (Alt+I in the pane).
      xdotool mousemove $((x + w / 3)) $((y + row + 16 * scale)) click 1
      xdotool key alt+i
      sleep 1.2
      if dialog=$(xdotool search --onlyvisible --pid "$player_pid" --name "MPEG|ID3" 2>/dev/null | head -n1) && [[ -n $dialog ]]; then
        read -r dx dy dw dh < <(geometry "$dialog")
        shot=$out/$skin-${scale}x-$lng-fileinfo.png
        import -window root "$shot"
        shots+=("$shot")
        xdotool key --window "$dialog" Escape 2>/dev/null || true
        xdotool windowunmap "$dialog" 2>/dev/null || true
      else
        echo "music_pane.sh: $skin ${scale}x $lng: no file information dialog" >&2
        failures=$((failures + 1))
      fi
      sleep 0.3
      xdotool mousemove $((x + w / 3)) $((y + row + 32 * scale)) click 1
      xdotool key alt+c
      sleep 1
      if dialog=$(xdotool search --onlyvisible --pid "$player_pid" --name "Rename|重命名" 2>/dev/null | head -n1) && [[ -n $dialog ]]; then
        read -r dx dy dw dh < <(geometry "$dialog")
        shot=$out/$skin-${scale}x-$lng-rename.png
        import -window root "$shot"
        shots+=("$shot")
      else
        echo "music_pane.sh: $skin ${scale}x $lng: no rename dialog" >&2
        failures=$((failures + 1))
      fi
      stop_player
    done
  done
done
printf '%s\n' "${shots[@]}"
((failures == 0))
