#!/usr/bin/env bash
# Screenshots of the main menu with the sleep timer's submenu open (and the
# "record by title" item above it), in English and Chinese at scale 1 and 2.
# Usage: scripts/sleep_menu.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots)
#   BUILD_DIR  a built tree (default: build).
# Runs on a private Xvfb with a throw-away program folder.
set -euo pipefail

script=sleep_menu.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots}

. "$(dirname "$0")/x_session.sh"
session_begin sleepmenu 1920x1080x24 convert
session_program

# Shipped settings in language CODE, the window near the top left corner.
write_settings() {
  awk -v lang="$1" '
    { sub(/\r$/, "") }
    /^\[/ { section = $0 }
    section == "[Language]" && /^CurLng=/ { $0 = "CurLng=" lang }
    { printf "%s\r\n", $0 }
    END { printf "\r\n[frmMain]\r\nLeft=16\r\nTop=16\r\n" }
  ' "$home/Tazmel.ini" >"$home/User.ini"
}

shots=()
for lang in eng chs; do
  for scale in 1 2; do
    write_settings "$lang"
    start_player "$scale"
    sleep 2
    # The main window is the topmost of the two titled Tazmel.
    best=
    for id in $(xdotool search --onlyvisible --pid "$player_pid" --name '^Tazmel$'); do
      read -r x y w h < <(geometry "$id")
      if ((w > 1)) && { [[ -z $best ]] || ((y < ${best#* })); }; then best="$id $y"; fi
    done
    read -r x y w h < <(geometry "${best%% *}")
    # A right click on the title panel opens the main menu; the sleep
    # timer's accelerator key (E in both languages) opens its submenu.
    xdotool mousemove $((x + w / 4)) $((y + h * 3 / 10)) click 3
    sleep 0.5
    xdotool key e
    sleep 0.5
    shot=$out/sleep-menu-$lang-${scale}x.png
    import -window root "$shot"
    shots+=("$shot")
    xdotool key Escape Escape
    stop_player
  done
done
printf '%s\n' "${shots[@]}"
