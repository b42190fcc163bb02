#!/usr/bin/env bash
# The program as a user gets it: installed under a prefix of the test's own, or run from
# the build folder, started in a folder without an instrument list, with a home and no INI
# file of its own. The switch KQ505_REPORT_START_AND_EXIT makes it print what it found and
# end, answering its message boxes itself.
# Usage: install_test.sh installed|build-folder|desktop-files|deb CMAKE BUILD_DIR SOURCE_DIR
set -euo pipefail
mode=$1 cmake=$2 build=$3 source=$4
id=org.example.kq505
list_failed="音色リストファイルを読み込めませんでした"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix home=$work/home cwd=$work/cwd
mkdir -p "$home" "$cwd" "$work/run" "$work/no-data"
chmod 700 "$work/run"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

install_into_prefix() {
  "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
}

# Runs the program with the report switch; its stdout and stderr land in $work/out, $work/err.
report() {
  (cd "$cwd" && env -u QT_SCALE_FACTOR HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS="$work/no-data" \
    XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen KQ505_REPORT_START_AND_EXIT=1 \
    timeout 60 "$1" >"$work/out" 2>"$work/err") || fail "$1 ended with status $?"
}

expect_line() {
  grep -qxF -- "$1" "$work/out" || fail "expected the line '$1'; the program printed:
$(cat "$work/out")"
}

# The name of the voice bank 0, program 1 in the shipped list, as the program shows it.
first_voice_name() {
  grep -a '^M 000 000 001 ' "$source/res/xg.ins" | tail -n 1 | tr -d '\r' | cut -c 23- |
    iconv -f SHIFT_JIS -t UTF-8
}

expect_found_everything() {  # executable, ini file, data folder
  report "$1"
  if grep -qF "$list_failed" "$work/err"; then fail "the instrument list was not found"; fi
  expect_line "ini file: $2"
  expect_line "program 1: $(first_voice_name)"
  expect_line "help page: $3/help/index.htm"
  grep -qx 'voices named: [1-9][0-9]*' "$work/out" || fail "no voice names loaded"
  [ -z "$(ls -A "$cwd")" ] || fail "the program left files in its current folder: $(ls -A "$cwd")"
  [ ! -e "$2" ] || fail "the INI file was written without the settings dialog"
}

png_size() {  # width x height from the PNG header
  local bytes
  read -r -a bytes < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((bytes[2] << 8) | bytes[3]))x$(((bytes[6] << 8) | bytes[7]))"
}

case $mode in
  installed)
    install_into_prefix
    cmp -s "$prefix/share/kq505/xg.ins" "$source/res/xg.ins" || fail "installed xg.ins differs"
    cmp -s "$prefix/share/kq505/help/index.htm" "$source/help/index.htm" ||
      fail "installed help page differs"
    # Root may write to the prefix's bin folder; the INI goes to the user's folder all the same.
    expect_found_everything "$prefix/bin/kq505" "$home/.config/kq505/kq505.ini" \
      "$prefix/share/kq505"
    [ "$(ls -A "$prefix/bin")" = kq505 ] || fail "bin holds more than the program"

    # Without its list the program says so, and the report shows it: the checks above can fail.
    mv "$prefix/share/kq505/xg.ins" "$work/xg.ins"
    report "$prefix/bin/kq505"
    grep -qxF "message: $list_failed" "$work/err" || fail "a missing list was not reported"
    expect_line "voices named: 0"
    ;;
  build-folder)
    cmp -s "$build/app/xg.ins" "$source/res/xg.ins" || fail "build/app/xg.ins is not the shipped list"
    cmp -s "$build/app/help/index.htm" "$source/help/index.htm" ||
      fail "build/app/help/index.htm is not the help page"
    # A copy of the build folder's program, so that a developer's INI there stays out of it.
    mkdir "$work/app"
    cp -r "$build/app/kq505" "$build/app/xg.ins" "$build/app/help" "$work/app/"
    expect_found_everything "$work/app/kq505" "$work/app/kq505.ini" "$work/app"
    expect_line "scale: 1"
    # The display size of the settings dialog takes effect at the next start.
    for zoom in 200 150 175; do
      printf '[Others]\r\nZoom=%s\r\n' "$zoom" >"$work/app/kq505.ini"
      report "$work/app/kq505"
      case $zoom in 200) scale=2 ;; 150) scale=1.5 ;; *) scale=1 ;; esac
      expect_line "scale: $scale"
    done
    ;;
  desktop-files)
    install_into_prefix
    entry=$prefix/share/applications/$id.desktop
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
    grep -qx 'Exec=kq505 %f' "$entry" || fail "the menu entry does not start kq505 with a file"
    grep -qx "Icon=$id" "$entry" || fail "the menu entry names another icon"
    grep -q '^MimeType=.*application/x-kq505-settings;' "$entry" || fail "no .kqs type in the entry"

    mime=$prefix/share/mime/packages/$id.xml
    xmllint --noout "$mime" || fail "$mime is not well-formed"
    # The install compiled the type into the prefix's database, as a desktop reads it.
    grep -qx 'application/x-kq505-settings:\*\.kqs' <(cut -d: -f2- "$prefix/share/mime/globs2") ||
      fail "*.kqs is not in the compiled database"
    grep -q 'application/x-kq505-settings' "$prefix/share/mime/magic" ||
      fail "the KQSF1000 magic is not in the compiled database"
    grep -q "application/x-kq505-settings=$id.desktop;" \
      "$prefix/share/applications/mimeinfo.cache" || fail ".kqs files do not open in KQ505"
    grep -q '^MimeType=.*application/x-kq505-setup;' "$entry" || fail "no .kqset type in the entry"
    grep -qx 'application/x-kq505-setup:\*\.kqset' <(cut -d: -f2- "$prefix/share/mime/globs2") ||
      fail "*.kqset is not in the compiled database"
    grep -aqF '[KQ505 set-up]' <(grep -a -A2 'application/x-kq505-setup' "$prefix/share/mime/magic") ||
      fail "the set-up file's first line is not in the compiled database as its magic"
    grep -q "application/x-kq505-setup=$id.desktop;" \
      "$prefix/share/applications/mimeinfo.cache" || fail ".kqset files do not open in KQ505"
    grep -q '^MimeType=.*application/x-sysex;' "$entry" || fail "no .syx type in the entry"
    grep -qx 'application/x-sysex:\*\.syx' <(cut -d: -f2- "$prefix/share/mime/globs2") ||
      fail "*.syx is not in the compiled database"
    # Its magic is the one byte F0 at offset 0: ">0=", a length of 1, F0.
    grep -a -A1 '^\[[0-9]*:application/x-sysex\]' "$prefix/share/mime/magic" | tail -n 1 |
      od -An -tx1 | tr -d ' \n' | grep -q '^3e303d0001f0' ||
      fail "the F0 magic of .syx files is not in the compiled database"
    grep -q "application/x-sysex=$id.desktop;" \
      "$prefix/share/applications/mimeinfo.cache" || fail ".syx files do not open in KQ505"

    icons=$prefix/share/icons/hicolor
    xmllint --noout "$icons/scalable/apps/$id.svg" || fail "the scalable icon is not well-formed"
    for size in 16 22 24 32 48 64 128 256; do
      png=$icons/${size}x${size}/apps/$id.png
      if [ ! -f "$png" ]; then fail "no icon of ${size}x${size}"; continue; fi
      [ "$(png_size "$png")" = "${size}x${size}" ] || fail "$png is $(png_size "$png")"
    done
    ;;
  deb)
    # The Debian package as cpack builds it from this build folder.
    (cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) ||
      { cat "$work/cpack.log" >&2; echo "FAIL: cpack -G DEB" >&2; exit 1; }
    version=$(sed -n 's/^project(KQ505 VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
    deb=$work/pkg/kq505_${version}_$(dpkg --print-architecture).deb
    [ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/pkg")"
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = kq505 ] || fail "package name $(field Package)"
    [ "$(field Version)" = "$version" ] || fail "version $(field Version)"
    # Computed from the binary: the Qt, RtMidi and C libraries it links.
    for dependency in libc6 libqt6widgets6 librtmidi; do
      field Depends | grep -q "$dependency" || fail "Depends lacks $dependency: $(field Depends)"
    done
    dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
    for path in ./usr/bin/kq505 ./usr/share/kq505/xg.ins ./usr/share/kq505/help/index.htm \
      "./usr/share/applications/$id.desktop" "./usr/share/metainfo/$id.metainfo.xml" \
      "./usr/share/icons/hicolor/scalable/apps/$id.svg" ./usr/share/doc/kq505/copyright; do
      grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
    done
    outside=$(grep -v -e '^\./$' -e '^\./usr/' "$work/contents" || true)
    [ -z "$outside" ] || fail "the package installs outside /usr: $outside"
    dpkg-deb -x "$deb" "$work/root"
    appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml" ||
      fail "appstreamcli rejects the metainfo file"
    file "$work/root/usr/bin/kq505" | grep -q 'ELF.*, stripped' || fail "the program is not stripped"
    expect_found_everything "$work/root/usr/bin/kq505" "$home/.config/kq505/kq505.ini" \
      "$work/root/usr/share/kq505"
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "$mode: all checks passed"
