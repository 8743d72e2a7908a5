#!/usr/bin/env bash
# Screenshots of the task list, the shutdown countdown and the clock
# adjustment on a private X server, in English and Chinese at scale 1 and 2.
# Usage: scripts/schedule_dialogs.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/schedule)
#   BUILD_DIR  a built tree (default: build).
set -euo pipefail

script=schedule_dialogs.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/schedule}

. "$(dirname "$0")/x_session.sh"
shots_begin schedule schedule_dialog_shots
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$work" "$out/$language-x$scale-"
  done
done
echo "$out"
