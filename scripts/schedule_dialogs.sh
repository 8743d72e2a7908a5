#!/usr/bin/env bash
# Screenshots of the task list, the shutdown countdown and the clock
# adjustment on a private X server, in English and Chinese at scale 1 and 2.
# Usage: scripts/schedule_dialogs.sh [OUT_DIR]   (build dir: BUILD or build)
set -euo pipefail
build=${BUILD:-build}
out=${1:-$build/screenshots/schedule}
shots=$build/tests/schedule_dialog_shots
[[ -x $shots ]] || {
  echo "schedule_dialogs.sh: build the schedule_dialog_shots target first" >&2
  exit 2
}
command -v Xvfb >/dev/null || {
  echo "schedule_dialogs.sh: Xvfb is missing (scripts/setup.sh look)" >&2
  exit 2
}
work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-schedule-XXXXXX")
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.1
done
export DISPLAY=:$(head -n1 "$work/display")
mkdir -p "$out"
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$work" "$out/$language-x$scale-"
  done
done
echo "$out"
