#!/usr/bin/env bash
# The station editor on a private X server, in English and Chinese at scale
# 1 and 2, as PNGs (the address list, and the multi-line editor after More).
# Usage: scripts/editor_shots.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/editor)
#   BUILD_DIR     a built tree (default: build).
#   XVFB_DISPLAY  the display number for the private server (default: 61).
set -euo pipefail

build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "editor_shots.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/editor}
shots=$build/tests/editor_shots
[[ -x $shots ]] || {
  echo "editor_shots.sh: build the editor_shots target first" >&2
  exit 2
}
command -v Xvfb >/dev/null || {
  echo "editor_shots.sh: Xvfb is missing (scripts/setup.sh look)" >&2
  exit 2
}
work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-editor-XXXXXX")
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
display=${XVFB_DISPLAY:-61}
Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -e /tmp/.X11-unix/X$display ]] && break
  sleep 0.1
done
export DISPLAY=:$display
mkdir -p "$out"
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$build/Language/$language" "$out/$language-x$scale-"
  done
done
echo "$out"
