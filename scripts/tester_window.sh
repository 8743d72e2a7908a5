#!/usr/bin/env bash
# The Test Radio window (idle, testing, paused) on a private X server, in
# English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/tester_window.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/tester)
#   BUILD_DIR  a built tree (default: build).
#   XVFB_DISPLAY=N  the display number to use (default: one the server picks).
set -euo pipefail

script=tester_window.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/tester}

. "$(dirname "$0")/x_session.sh"
shots_begin tester tester_dialog_shots
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-"
  done
done
echo "$out"
