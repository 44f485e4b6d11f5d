#!/usr/bin/env bash
# Builds the services check for i686 with mingw-w64 (or takes the one CMake built, for
# either architecture), makes its media with ffmpeg and runs it under Wine in a fresh
# prefix of the program's kind on a virtual display.
#
#   tests/wine/services/run.sh [--printer=none|--printer=pdf]
#
# Needs: mingw-w64, wine + wine32:i386 (wine64 for a 64-bit check), xvfb, ffmpeg,
# and for MPEG-1 the gstreamer plugins (base, good, bad, libav) for i386 (amd64 for a
# 64-bit check). OUT (default build/wine-services) holds the program, the media and
# the prefix. CHECK_EXE names a services_check.exe built
# already (by CMake); without it the script builds one with i686-w64-mingw32-g++.
#
# --printer=none (default) expects no printer at all. --printer=pdf also needs cups,
# printer-driver-cups-pdf, libcups2:i386 and poppler-utils: it gives Wine a default
# PDF printer through CUPS for this run only (a scheduler started here is stopped
# again, the queue removed, an earlier default put back) and checks the page.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
out=${OUT:-$root/build/wine-services}
printer=${1:---printer=none}
mkdir -p "$out/media"

if [ -n "${CHECK_EXE:-}" ]; then
  cp "$CHECK_EXE" "$out/services_check.exe"  # built by CMake (CMakeLists.txt here)
else
  flags=(-std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -Wno-restrict -static -municode -I"$root")
  i686-w64-mingw32-g++ "${flags[@]}" -o "$out/services_check.exe" \
    "$root/tests/wine/services/services_check.cpp" \
    "$root/platform/win32/MciMediaControl.cpp" "$root/platform/win32/WinMixer.cpp" \
    "$root/platform/win32/WinPrinter.cpp" "$root/platform/win32/RichTextView.cpp" \
    "$root/platform/win32/NoticeWindow.cpp" \
    "$root/runtime/Text.cpp" \
    -lwinmm -lwinspool -lgdi32 -luser32
fi

# msvideo1 is a codec Wine's own video device plays; MPEG-1 goes through gstreamer.
ff=(ffmpeg -hide_banner -loglevel error -y)
"${ff[@]}" -f lavfi -i testsrc=size=320x240:rate=15 -t 2 -c:v msvideo1 "$out/media/clip.avi"
"${ff[@]}" -f lavfi -i testsrc=size=352x288:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 2 -c:v mpeg1video -c:a mp2 -f mpeg "$out/media/clip.mpg"
cp "$out/media/clip.avi" "$out/media/ролик.avi"

# A 32-bit check in a 32-bit prefix, a 64-bit one in a 64-bit prefix (../loader.sh).
source "$root/tests/wine/loader.sh"
use_wine_for "$out/services_check.exe"
export WINE
export WINEARCH=$PROGRAM_WINEARCH WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"

# The prefix takes its ANSI code page from the locale: Russian gives 1251, as on the
# program's machines (Wine's multimedia file layer opens files by their ANSI names).
if ! locale -a | grep -qix 'ru_RU.utf8'; then localedef -i ru_RU -f UTF-8 ru_RU.UTF-8; fi

queue=VelvinorServicesPDF
cupsd_pid= old_default=
cleanup() {
  if [ "$printer" = --printer=pdf ]; then
    lpadmin -x "$queue" 2>/dev/null || true
    if [ -n "$old_default" ]; then lpadmin -d "$old_default" || true; fi
    if [ -n "$cupsd_pid" ]; then kill "$cupsd_pid" 2>/dev/null || true; wait "$cupsd_pid" 2>/dev/null || true; fi
  fi
}
trap cleanup EXIT

if [ "$printer" = --printer=pdf ]; then
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    mkdir -p /run/cups
    cupsd -f & cupsd_pid=$!
    for _ in $(seq 100); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.1; done
  fi
  old_default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
  lpadmin -p "$queue" -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -E 2>/dev/null
  lpadmin -d "$queue"
  # cups-pdf writes a job of root into $HOME/PDF ("Out" in /etc/cups/cups-pdf.conf).
  pdf_dir=$HOME/PDF
  mkdir -p "$pdf_dir"
  touch "$out/started"
fi

rc=0
LC_ALL=ru_RU.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
  media=$("$WINE" winepath -w "$1/media")
  rc=0
  timeout 180 "$WINE" "$1/services_check.exe" "$media" "$2" || rc=$?
  wineserver -k || true
  exit $rc
' check "$out" "$printer" || rc=$?

if [ "$printer" = --printer=pdf ]; then
  check() { if [ "$1" = 0 ]; then echo "ok   $2"; else echo "FAIL $2"; rc=$((rc + 1)); fi; }
  pdf=
  for _ in $(seq 300); do
    pdf=$(find "$pdf_dir" -name '*.pdf' -newer "$out/started" | head -1)
    [ -n "$pdf" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] && break
    sleep 0.1
  done
  check "$([ -n "$pdf" ]; echo $?)" "the PDF printer wrote the job: ${pdf:-nothing}"
  if [ -n "$pdf" ]; then
    info=$(pdfinfo "$pdf")
    pages=$(sed -n 's/^Pages: *//p' <<<"$info")
    size=$(sed -n 's/^Page size: *\([0-9.]*\) x \([0-9.]*\).*/\1 \2/p' <<<"$info")
    rot=$(sed -n 's/^Page rot: *//p' <<<"$info")
    read -r w h <<<"$size"
    landscape=$(awk -v w="$w" -v h="$h" -v r="$rot" 'BEGIN { print ((r % 180 == 90) != (w > h)) ? 1 : 0 }')
    check "$([ "$pages" = 1 ]; echo $?)" "one page: $pages"
    check "$([ "$landscape" = 1 ]; echo $?)" "landscape: $w x $h pt, rotated $rot"
    images=$(pdfimages -list "$pdf" | awk 'NR > 2 { print $4 "x" $5 }' | tr '\n' ' ')
    check "$([ "$images" = "320x240 " ]; echo $?)" "the page carries the 320x240 picture: $images"
    # The check program painted the window in red, green, blue and yellow quarters:
    # the page as a viewer shows it (rotation applied) has them in the same places.
    pdftoppm -r 20 -singlefile "$pdf" "$out/page"
    colours=$(python3 - "$out/page.ppm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace(): pos += 1
    end = pos
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[pos:end]); pos = end
pos += 1
w, h = int(fields[1]), int(fields[2])
def name(x, y):
    r, g, b = data[pos + 3 * (y * w + x):pos + 3 * (y * w + x) + 3]
    return "".join(c for c, v in zip("rgb", (r, g, b)) if v > 128) or "k"
print(" ".join(name(x, y) for y in (h // 4, 3 * h // 4) for x in (w // 2 - w // 5, w // 2 + w // 5)))
PY
)
    check "$([ "$colours" = "r g b rg" ]; echo $?)" "the page shows the window's picture: quarters $colours"
    mv "$pdf" "$out/page.pdf"  # kept for a look
  fi
fi
exit $rc
