#!/usr/bin/env bash
# The Data Tool window running and its save dialog on a private X
# server, in English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/data_window.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/data)
#   BUILD_DIR  a built tree (default: build); XVFB_DISPLAY=N picks the display.
set -euo pipefail

build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "data_window.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/data}
shots=$build/tests/data_window_shots
[[ -x $shots ]] || {
  echo "data_window.sh: build the data_window_shots target first" >&2
  exit 2
}
command -v Xvfb >/dev/null || {
  echo "data_window.sh: Xvfb is missing (scripts/setup.sh look)" >&2
  exit 2
}
work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-data-shots-XXXXXX")
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
if [[ -n ${XVFB_DISPLAY:-} ]]; then
  Xvfb ":$XVFB_DISPLAY" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  echo "$XVFB_DISPLAY" >"$work/display"
  sleep 1
else
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -q . "$work/display" 2>/dev/null && break
    sleep 0.1
  done
fi
export DISPLAY=:$(head -n1 "$work/display")
mkdir -p "$out"
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-"
  done
done
echo "$out"
