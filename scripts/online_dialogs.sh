#!/usr/bin/env bash
# The about box, the problem report and the proxy list on a private X
# server, in English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/online_dialogs.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/online)
#   BUILD_DIR  a built tree (default: build).
set -euo pipefail

script=online_dialogs.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/online}

. "$(dirname "$0")/x_session.sh"
shots_begin online online_dialog_shots
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-"
  done
done
echo "$out"
