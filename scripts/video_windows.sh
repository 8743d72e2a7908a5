#!/usr/bin/env bash
# The video window playing a test clip and the tree generator window on a
# private X server, in English and Chinese at scale 1 and 2, as PNGs.
# Usage: scripts/video_windows.sh [OUT_DIR]   (default: $BUILD_DIR/screenshots/video)
#   BUILD_DIR  a built tree (default: build).
set -euo pipefail

build=$(cd "${BUILD_DIR:-build}" 2>/dev/null && pwd) || {
  echo "video_windows.sh: no build tree at ${BUILD_DIR:-build}" >&2
  exit 2
}
out=${1:-$build/screenshots/video}
shots=$build/tests/video_window_shots
[[ -x $shots ]] || {
  echo "video_windows.sh: build the video_window_shots target first" >&2
  exit 2
}
for tool in Xvfb ffmpeg; do
  command -v $tool >/dev/null || {
    echo "video_windows.sh: $tool is missing (scripts/setup.sh test)" >&2
    exit 2
  }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/tazmel-video-XXXXXX")
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=10 -t 2 -c:v mpeg4 "$work/clip.avi"
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
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$shots" "$build/Language/$language.ini" "$out/$language-x$scale-" \
      "$work/clip.avi"
  done
done
echo "$out"
