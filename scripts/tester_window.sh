#!/usr/bin/env bash
# The Test Radio window (idle, testing, paused) on a private X server, in
# English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/tester_window.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/tester)
#   BUILD_DIR  a built tree (default: build).
#   XVFB_DISPLAY=N  the display number to use (default: one the server picks).
set -euo pipefail

build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "tester_window.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/tester}
shots=$build/tests/tester_dialog_shots
[[ -x $shots ]] || {
  echo "tester_window.sh: build the tester_dialog_shots target first" >&2
  exit 2
}
command -v Xvfb >/dev/null || {
  echo "tester_window.sh: Xvfb is missing (scripts/setup.sh look)" >&2
  exit 2
}
work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-tester-XXXXXX")
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
if [[ -n ${XVFB_DISPLAY:-} ]]; then
  echo "$XVFB_DISPLAY" >"$work/display"
  Xvfb ":$XVFB_DISPLAY" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  sleep 1
else
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
fi
xvfb_pid=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.1
done
export DISPLAY=:$(head -n1 "$work/display")
mkdir -p "$out"
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-"
  done
done
echo "$out"
