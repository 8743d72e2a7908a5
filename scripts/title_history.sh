#!/usr/bin/env bash
# The title history dialog on a private X server, in English and Chinese at
# scale 1 and 2, as PNGs.
# Usage: scripts/title_history.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/history)
#   BUILD_DIR  a built tree (default: build).
set -euo pipefail

script=title_history.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/history}

. "$(dirname "$0")/x_session.sh"
shots_begin history title_history_shots
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale.png"
  done
done
echo "$out"
