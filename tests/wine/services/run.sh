#!/usr/bin/env bash
# Builds the services check for i686 with mingw-w64, makes its media with ffmpeg and
# runs it under Wine in a fresh 32-bit prefix on a virtual display.
#
#   tests/wine/services/run.sh [--printer=none|--printer=pdf]
#
# Needs: mingw-w64, wine + wine32:i386, xvfb, ffmpeg, and for MPEG-1 the gstreamer
# plugins (base, good, bad, libav) for i386. OUT (default build/wine-services) holds
# the program, the media and the prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
out=${OUT:-$root/build/wine-services}
printer=${1:---printer=none}
mkdir -p "$out/media"

flags=(-std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -Wno-restrict -static -municode -I"$root")
i686-w64-mingw32-g++ "${flags[@]}" -o "$out/services_check.exe" \
  "$root/tests/wine/services/services_check.cpp" \
  "$root/platform/win32/MciMediaControl.cpp" "$root/platform/win32/WinMixer.cpp" \
  "$root/platform/win32/WinPrinter.cpp" "$root/platform/win32/RichTextView.cpp" \
  "$root/runtime/Text.cpp" \
  -lwinmm -lwinspool -lgdi32 -luser32

# msvideo1 is a codec Wine's own video device plays; MPEG-1 goes through gstreamer.
ff=(ffmpeg -hide_banner -loglevel error -y)
"${ff[@]}" -f lavfi -i testsrc=size=320x240:rate=15 -t 2 -c:v msvideo1 "$out/media/clip.avi"
"${ff[@]}" -f lavfi -i testsrc=size=352x288:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 2 -c:v mpeg1video -c:a mp2 -f mpeg "$out/media/clip.mpg"
cp "$out/media/clip.avi" "$out/media/ролик.avi"

export WINEARCH=win32 WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"

# The prefix takes its ANSI code page from the locale: Russian gives 1251, as on the
# program's machines (Wine's multimedia file layer opens files by their ANSI names).
if ! locale -a | grep -qix 'ru_RU.utf8'; then localedef -i ru_RU -f UTF-8 ru_RU.UTF-8; fi

LC_ALL=ru_RU.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  wineboot -i >/dev/null 2>&1
  wineserver -w
  media=$(winepath -w "$1/media")
  rc=0
  timeout 180 wine "$1/services_check.exe" "$media" "$2" || rc=$?
  wineserver -k || true
  exit $rc
' check "$out" "$printer"
