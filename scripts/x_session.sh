# Sourced by the screenshot scripts: a private X server, a private sound
# server when asked for, a throw-away program folder, and the player started
# and stopped on them. Nothing of the user's desktop, sound or settings is
# touched. The script sets `script` (its name for messages), `build` (a
# built tree) and `out` (where the pictures go) before calling:
#   session_begin PREFIX SCREEN [TOOL...]  checks the player and the tools,
#       makes $work, starts Xvfb with SCREEN (WxHxD) and exports DISPLAY;
#       XVFB_DISPLAY=N picks the display, else Xvfb takes a free one
#   session_pulse     starts a private PulseAudio and points the player at
#       it; false when there is none
#   session_program   stages the program folder $home and the player's
#       environment
#   start_player SCALE, stop_player, geometry ID, find_windows
#   shots_begin PREFIX TARGET [TOOL...]  for a shot program of tests/ that
#       draws its windows itself: checks $build/tests/TARGET (sets $shots)
#       and the tools, makes $work and $out, starts Xvfb (1600x1200) as
#       session_begin does

session_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
xvfb_pid=
player_pid=
pulse_dir=
pulse_up=

session_begin() {
  local prefix=$1 screen=$2 tool
  shift 2
  player=$build/tazmel
  [[ -x $player && -f $build/Tazmel.ini ]] || {
    echo "$script: $build holds no built player" >&2
    exit 2
  }
  for tool in Xvfb xdotool import "$@"; do
    command -v "$tool" >/dev/null || {
      echo "$script: $tool is missing (scripts/setup.sh look)" >&2
      exit 2
    }
  done
  session_x "$prefix" "$screen"
}

# session_x PREFIX SCREEN: $work and the private X server.
session_x() {
  local prefix=$1 screen=$2
  work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-$prefix-XXXXXX")
  trap session_end EXIT
  trap 'exit 130' INT TERM
  if [[ -n ${XVFB_DISPLAY:-} ]]; then
    Xvfb ":$XVFB_DISPLAY" -screen 0 "$screen" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    echo "$XVFB_DISPLAY" >"$work/display"
    sleep 1
  else
    # Xvfb writes the number of the display it took once it accepts
    # connections.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  fi
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -q . "$work/display" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q . "$work/display" 2>/dev/null || {
    echo "$script: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  }
  DISPLAY=:$(head -n1 "$work/display")
  export DISPLAY
}

shots_begin() {
  local prefix=$1 target=$2 tool
  shift 2
  shots=$build/tests/$target
  [[ -x $shots ]] || {
    echo "$script: build the $target target first" >&2
    exit 2
  }
  for tool in Xvfb "$@"; do
    command -v "$tool" >/dev/null || {
      echo "$script: $tool is missing (scripts/setup.sh look)" >&2
      exit 2
    }
  done
  session_x "$prefix" 1600x1200x24
  mkdir -p "$out"
}

session_end() {
  [[ -n $player_pid ]] && kill -KILL "$player_pid" 2>/dev/null
  [[ -n $pulse_up ]] && sh "$session_root/tests/recording/pulse_daemon.sh" stop "$pulse_dir" >/dev/null 2>&1
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}

session_pulse() {
  command -v pulseaudio >/dev/null || return 1
  pulse_dir=$work/pulse
  sh "$session_root/tests/recording/pulse_daemon.sh" start "$pulse_dir" >/dev/null 2>&1 || return 1
  pulse_up=1
  export XDG_RUNTIME_DIR=$pulse_dir PULSE_SERVER=unix:$pulse_dir/pulse/native PULSE_COOKIE=$pulse_dir/cookie
}

session_program() {
  home=$work/program
  mkdir -p "$home" "$work/config" "$out"
  cp -r "$build/Tazmel.ini" "$build/Language" "$build/Skins" "$build/sound" "$build/data" "$home/"
  export TAZMEL_HOME=$home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb TAZMEL_REPORT_PAINT=1
  unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR
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
  echo "$script: the player never painted its window; its output:" >&2
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
    echo "$script: the player did not end on SIGTERM; killed" >&2
    kill -KILL "$player_pid"
  fi
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
