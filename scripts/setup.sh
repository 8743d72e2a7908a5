#!/usr/bin/env bash
# Installs the Debian packages a task needs, only when some are missing.
# Usage: scripts/setup.sh GROUP...   (groups: base build run test package fuzz bench look)
set -euo pipefail

declare -A groups=(
  # what the front door itself needs
  [base]="make"
  # compiler, build tools, Qt 6 widgets; libmpv plays, libcurl fetches,
  # PulseAudio carries the prompt sounds, LAME encodes MP3, libxcb grabs
  # the global hotkeys, sd-bus asks logind to power off; zlib inflates the
  # station-data archives, libssl's libcrypto checks their SHA-256, and
  # tazmel-publish reads radio-browser exports with nlohmann-json
  [build]="cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libmpv-dev libcurl4-openssl-dev libpulse-dev libmp3lame-dev libxcb1-dev libsystemd-dev zlib1g-dev libssl-dev nlohmann-json3-dev"
  # a font with Chinese characters and the font the shipped skins name (the
  # X11 and offscreen platform plugins come with qt6-base-dev's libqt6gui6)
  [run]="fonts-wqy-microhei fonts-dejavu-core"
  # test and benchmark libraries, the formatter the tests check with, and a
  # private PulseAudio daemon (with pactl) that the sound tests start, and
  # the decoders that judge recordings independently (sox, mpg123, ffprobe);
  # lame makes the music tests' MP3 files, and the tag and frame tools judge
  # what the music list reads and writes; a private bus daemon carries the
  # clock setter's calls to a timedated of the test's own; a private session
  # bus (dbus-run-session) and gdbus, which asks and drives the media player
  # object as a desktop would; the video window's tests open a private X
  # server (xvfb) and play a clip ffmpeg makes
  [test]="libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev clang-format pulseaudio pulseaudio-utils sox mpg123 ffmpeg lame id3v2 eyed3 python3-mutagen mp3info dbus-daemon libglib2.0-bin xvfb"
  # the Debian package and its check: dpkg-shlibdeps reads the programs'
  # dependencies for CPack, file reads the icons' sizes, and the two
  # validators judge the desktop entry and the AppStream data
  [package]="dpkg-dev file appstream desktop-file-utils"
  # clang with libFuzzer and the sanitizer runtimes
  [fuzz]="clang libclang-rt-14-dev"
  # the players the playback benchmarks compare against, the encoder the
  # conversion benchmark compares against, and a virtual X server the
  # start-up benchmark opens the window on
  [bench]="mpv audacious lame xvfb"
  # screenshots of the window: a virtual X server, window lookup and
  # clicks, the capture and crop tools, and a private sound server to play into
  [look]="xvfb x11-utils xdotool imagemagick pulseaudio pulseaudio-utils"
)

wanted=()
for group in "$@"; do
  [[ -n "${groups[$group]+x}" ]] || { echo "setup.sh: unknown group '$group'" >&2; exit 2; }
  read -r -a list <<<"${groups[$group]}"
  wanted+=("${list[@]}")
done

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
