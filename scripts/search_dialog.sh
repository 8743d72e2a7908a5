#!/usr/bin/env bash
# Screenshots of the directory search on a private X server: the dialog
# opened with its global hotkey (Ctrl + Alt + F) and a query typed, at scale 1 and
# 2, in English and in Chinese, on the shipped station data.
# Usage: scripts/search_dialog.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/search)
#   BUILD_DIR  a built tree (default: build).
# Nothing of the user's desktop, sound or settings is touched.
set -euo pipefail

script=search_dialog.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/search}
scales=(1 2)
languages=(eng chs)

. "$(dirname "$0")/x_session.sh"
session_begin search 1800x1400x24
session_program
export TAZMEL_AUDIO_OUTPUT=null

# write_settings LANGUAGE: shipped settings, the main window in the top
# left corner, no playlist window.
write_settings() {
  awk -v lng="$1" '
    { sub(/\r$/, "") }
    /^\[/ { section = $0 }
    section == "[Language]" && /^CurLng=/ { $0 = "CurLng=" lng }
    { printf "%s\r\n", $0 }
    END { printf "\r\n[frmMain]\r\nLeft=0\r\nTop=0\r\n[frmPlayList]\r\nVisible=0\r\n" }
  ' "$home/Tazmel.ini" >"$home/User.ini"
}

shots=()
for scale in "${scales[@]}"; do
  for lng in "${languages[@]}"; do
    write_settings "$lng"
    start_player "$scale"
    sleep 1
    xdotool key ctrl+alt+f
    sleep 1.5
    id=$(xdotool search --onlyvisible --name '^(Search Stations|搜索电台)$' | head -n1) || true
    [[ -n $id ]] || {
      echo "$script: ${scale}x $lng: no search window" >&2
      stop_player
      exit 1
    }
    xdotool windowmove "$id" 0 $((150 * scale))
    query="radio news"
    [[ $lng == eng ]] || query="新闻 中国"
    xdotool windowfocus "$id" type --delay 80 "$query"
    sleep 1
    read -r x y w h < <(geometry "$id")
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/search-${scale}x-$lng.png"
    shots+=("$out/search-${scale}x-$lng.png")
    stop_player
  done
done
printf '%s\n' "${shots[@]}"
