#!/bin/sh
# Makes the talking clock's word files with espeak-ng and sox:
#   share/sound/chs/  Mandarin words, read in the counting-in-tens rule
#   share/sound/eng/  English words, read in the 24-hour English rule
# (see src/schedule/talking_clock.h for the rules and the word lists).
# Each word is 11025 Hz 16-bit mono (enough for speech), normalised, its
# silence trimmed and 60 ms of quiet after it. Run it again only to change the voices; the files are
# committed. Usage: tools/make_clock_words.sh [share-folder]
set -eu

share=${1:-$(dirname "$0")/../share}
command -v espeak-ng >/dev/null || { echo "needs espeak-ng" >&2; exit 1; }
command -v sox >/dev/null || { echo "needs sox" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# say VOICE FOLDER NAME TEXT
say() {
  espeak-ng -v "$1" -s 165 -w "$tmp/raw.wav" "$4"
  sox "$tmp/raw.wav" -r 11025 -b 16 -c 1 "$2/$3.wav" \
    gain -n -1 silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse pad 0 0.06
}

chs="$share/sound/chs"
mkdir -p "$chs"
# Written in pinyin with tone numbers: the Mandarin voice's dictionary does
# not know every character (现在 点 分 come out as letters), pinyin it reads
# with the right tones. 现在, 零 .. 十, 点, 分, 整.
mandarin=cmn-latn-pinyin
say $mandarin "$chs" now "xian4 zai4"
i=0
for word in ling2 yi1 er4 san1 si4 wu3 liu4 qi1 ba1 jiu3 shi2; do
  say $mandarin "$chs" "$i" "$word"
  i=$((i + 1))
done
say $mandarin "$chs" hour "dian3"
say $mandarin "$chs" minute "fen1"
say $mandarin "$chs" just "zheng3"

eng="$share/sound/eng"
mkdir -p "$eng"
say en-gb "$eng" now "It is now"
i=0
for word in zero one two three four five six seven eight nine ten eleven twelve \
            thirteen fourteen fifteen sixteen seventeen eighteen nineteen; do
  say en-gb "$eng" "$i" "$word"
  i=$((i + 1))
done
say en-gb "$eng" 20 twenty
say en-gb "$eng" 30 thirty
say en-gb "$eng" 40 forty
say en-gb "$eng" 50 fifty
say en-gb "$eng" oh oh
say en-gb "$eng" oclock "o'clock"
