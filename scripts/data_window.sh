#!/usr/bin/env bash
# The Data Tool window running and its save dialog on a private X
# server, in English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/data_window.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/data)
#   BUILD_DIR  a built tree (default: build); XVFB_DISPLAY=N picks the display.
set -euo pipefail

script=data_window.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/data}

. "$(dirname "$0")/x_session.sh"
shots_begin data-shots data_window_shots
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-"
  done
done
echo "$out"
