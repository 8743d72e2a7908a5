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

script=music_pane.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/music}
skins=(Default Daylight)
scales=(1 2)
languages=(eng chs)

. "$(dirname "$0")/x_session.sh"
session_begin music 1600x1200x24 lame sox id3v2
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
    section == "[frmPlayList]" && /^TreeVisible=/ { $0 = "TreeVisible=0" }
    section == "[frmPlayList]" && /^Visible=/ { $0 = "Visible=1" }
    { printf "%s\r\n", $0 }
    END { printf "\r\n[frmMain]\r\nLeft=40\r\nTop=40\r\n" }
  ' "$home/Tazmel.ini" >"$home/User.ini"
}

failures=0
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
