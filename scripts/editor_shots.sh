#!/usr/bin/env bash
# The station editor on a private X server, in English and Chinese at scale
# 1 and 2, as PNGs (the address list, and the multi-line editor after More).
# Usage: scripts/editor_shots.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/editor)
#   BUILD_DIR     a built tree (default: build).
#   XVFB_DISPLAY  the display number for the private server (default: a free one).
set -euo pipefail

script=editor_shots.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/editor}

. "$(dirname "$0")/x_session.sh"
shots_begin editor editor_shots
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$build/Language/$language" "$out/$language-x$scale-"
  done
done
echo "$out"
