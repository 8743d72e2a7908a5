#!/usr/bin/env bash
# The video window playing a test clip and the tree generator window on a
# private X server, in English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/video_windows.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/video)
#   BUILD_DIR  a built tree (default: build).
set -euo pipefail

script=video_windows.sh
build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "$script: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/video}

. "$(dirname "$0")/x_session.sh"
shots_begin video video_window_shots ffmpeg
ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=10 -t 2 -c:v mpeg4 "$work/clip.avi"
for language in eng chs; do
  for scale in 1 2; do
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-" \
      "$work/clip.avi"
  done
done
echo "$out"
