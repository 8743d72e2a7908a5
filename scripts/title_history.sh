#!/usr/bin/env bash
# The title history dialog on a private X server, in English and Chinese at
# scale 1 and 2, as PNGs.
# Usage: scripts/title_history.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/history)
#   BUILD_DIR  a built tree (default: build).
set -euo pipefail

build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "title_history.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/history}
shots=$build/tests/title_history_shots
[[ -x $shots ]] || {
  echo "title_history.sh: build the title_history_shots target first" >&2
  exit 2
}
command -v Xvfb >/dev/null || {
  echo "title_history.sh: Xvfb is missing (scripts/setup.sh look)" >&2
  exit 2
}
work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-history-XXXXXX")
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
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale.png"
  done
done
echo "$out"
