#!/usr/bin/env bash
# The Debian package as apt would install it: built by CPack from this
# build tree, unpacked into an empty root, run from there; its desktop
# entry, AppStream data and icons checked; its shared folder seeding a
# fresh user's program folder. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d /tmp/tazmel-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

started=$SECONDS
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack did not build the package"
}
debs=("$work"/out/tazmel_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one tazmel_*.deb, found: ${debs[*]}"
deb=${debs[0]}
echo "cpack: $((SECONDS - started)) s"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"

# Nothing bundled: no shared library inside the package.
if dpkg-deb -c "$deb" | grep -E '\.so(\.|$)'; then fail "the package bundles shared libraries"; fi

root=$work/root
dpkg-deb -x "$deb" "$root"

# Every library a program links directly comes from a declared package.
declared=" $(sed -E 's/\([^)]*\)//g; s/[|,]/ /g' <<<"$depends") "
owner_of() {
  local path=$1 alt
  dpkg -S "$path" 2>/dev/null && return
  # Merged /usr: dpkg may know the file under the other name.
  case $path in
    /usr/lib/*) alt=${path#/usr} ;;
    /lib/*) alt=/usr$path ;;
    *) return 1 ;;
  esac
  dpkg -S "$alt" 2>/dev/null
}
# dpkg -S is slow: each library is asked about once.
declare -A owners=()
for program in "$root"/usr/bin/*; do
  resolved=$(ldd "$program")
  while read -r soname; do
    path=$(awk -v n="$soname" '$1 == n { print $3 }' <<<"$resolved")
    [[ -n $path ]] || fail "$(basename "$program"): $soname not found"
    if [[ -z ${owners[$soname]+x} ]]; then
      package=$(owner_of "$(realpath "$path")" | head -n1 | cut -d: -f1) || true
      [[ -n $package ]] || package=$(owner_of "$path" | head -n1 | cut -d: -f1) || true
      owners[$soname]=$package
    fi
    package=${owners[$soname]}
    [[ -n $package ]] || fail "$(basename "$program"): no package owns $path"
    [[ $declared == *" $package "* ]] || fail "$(basename "$program") links $soname of $package, which Depends lacks"
  done < <(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }')
done
# libmpv is opened at run time, so no NEEDED entry names it.
# (awk reads to the end: an early exit would break the pipe under pipefail)
mpv=$(ldconfig -p | awk '$1 ~ /^libmpv\.so\.[0-9]+$/ && !seen { print $NF; seen = 1 }')
[[ -n $mpv ]] || fail "no libmpv on this system"
mpv_package=$(owner_of "$(realpath "$mpv")" | head -n1 | cut -d: -f1) || true
for named in "$mpv_package" fonts-wqy-microhei; do
  [[ -n $named && $declared == *" $named "* ]] || fail "Depends lacks ${named:-the package of $mpv}"
done

# The programs run from the unpacked root.
for program in tazmel tazmel-data tazmel-play tazmel-publish; do
  [[ -x $root/usr/bin/$program ]] || fail "usr/bin/$program missing"
done
LD_LIBRARY_PATH=$root/usr/lib/x86_64-linux-gnu "$root/usr/bin/tazmel-data" --help >"$work/help.txt" ||
  fail "tazmel-data --help failed"
grep -q "build-system" "$work/help.txt" || fail "tazmel-data --help printed no usage"

# The desktop sees it.
desktop=$root/usr/share/applications/org.tazmel.Tazmel.desktop
metainfo=$root/usr/share/metainfo/org.tazmel.Tazmel.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -qx "Exec=tazmel" "$desktop" || fail "the menu entry does not start tazmel"
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/tazmel.png
  kind=$(file -b "$icon")
  [[ $kind == *"PNG image data, $size x $size,"* ]] || fail "icon $icon: $kind"
done
grep -q "<svg" "$root/usr/share/icons/hicolor/scalable/apps/tazmel.svg" || fail "no scalable icon"

# The shared program folder, and the first start filling a user's folder
# from it without overwriting what is there.
share=$root/usr/share/tazmel
for item in Tazmel.ini Language/eng.ini Language/chs.ini Skins/Default/skin.ini data/eng/data.dat data/eng/treesys.dat; do
  [[ -f $share/$item ]] || fail "share/tazmel/$item missing"
done
run_player() {
  env -u TAZMEL_HOME HOME="$work/home" XDG_DATA_HOME="$work/xdg" XDG_CONFIG_HOME="$work/config" \
    TAZMEL_AUDIO_OUTPUT=null QT_QPA_PLATFORM=offscreen \
    timeout 30 "$root/usr/bin/tazmel-play" --seconds 1 999999 >/dev/null 2>&1 || true
}
run_player
seeded=$work/xdg/tazmel
for item in Tazmel.ini Language/eng.ini Skins/Default/skin.ini data/eng/data.dat; do
  cmp -s "$share/$item" "$seeded/$item" || fail "$item was not seeded into the user's folder"
done
echo "; the user's own" >>"$seeded/Tazmel.ini"
run_player
grep -q "the user's own" "$seeded/Tazmel.ini" || fail "a second start overwrote the user's Tazmel.ini"
echo "package: $(basename "$deb") ok"
