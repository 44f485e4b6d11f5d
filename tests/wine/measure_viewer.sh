#!/usr/bin/env bash
# Measures the document viewer's rich-text view under Wine: a benchmark, not a test
# (it prints, it does not judge); the figures behind the viewer's bounds. In a fresh
# prefix of its own, rich_text_probe.exe loads each document into the view the
# program uses, one process per document, and prints whether the control held, the
# time to a painted window and the process's peak memory:
#   nesting  N groups inside each other around one letter ("{{{x}}}"), bare and
#            each with a character format ("{\b {\i ..."): the depth at which the
#            control crashes
#   data     N groups side by side ("{x}{x}..."); N "{" bytes as the binary data
#            ("\binN") of a picture: neither is nesting
#   size     text of five shapes: the parents' guide (a paragraph with a few changes
#            of format, repeated), a change of format at every letter, a paragraph
#            every few letters, long plain paragraphs, one plain paragraph ("one",
#            not in the default run: kinds="one"); and a document holding one
#            picture (a 24-bit bitmap): time and peak memory against the size
# Each line: kind, depth or size, and the probe's line (or "crashed", or "timeout").
# With again=1 the probe also loads each document a second time into the shown view,
# as the viewer replaces one document by the next (again_ms).
#
# Usage: tests/wine/measure_viewer.sh [--depths "N ..."] [--sizes "KB ..."]
#                                     [--pictures "KB ..."] [--timeout S] BUILD_DIR
#   BUILD_DIR   the Windows build (build/win32, or the 64-bit build/win64) with
#               rich_text_probe.exe, driver.exe and progman_server.exe built
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
  sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}
depths="10 20 30 31 32 33 40 100 500 2000"
sizes="256 512 1024 2048 4096"
pictures="600 4096 32768"
timeout=900
while [ $# -gt 0 ]; do
  case $1 in
    --depths) [ $# -ge 2 ] || usage; depths=$2; shift 2 ;;
    --sizes) [ $# -ge 2 ] || usage; sizes=$2; shift 2 ;;
    --pictures) [ $# -ge 2 ] || usage; pictures=$2; shift 2 ;;
    --timeout) [ $# -ge 2 ] || usage; timeout=$2; shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || usage
build=$(cd "$1" && pwd)
probe="$build/tests/wine/rich_text_probe.exe"
export VEL_WINE_RUN="$build/tests/wine/measure-viewer"
export VEL_EXE="$probe" VEL_DRIVER="$build/tests/wine/driver.exe" VEL_PROGMAN="$build/tests/wine/progman_server.exe"
for f in "$probe" "$VEL_DRIVER" "$VEL_PROGMAN"; do
  [ -f "$f" ] || { echo "measure_viewer: $f is not built" >&2; exit 2; }
done
source "$here/harness.sh"
trap cleanup_run EXIT
echo "making the prefix in $VEL_WINE_RUN" >&2
setup_run >/dev/null
docs="$C/docs"
mkdir -p "$docs"
cp "$probe" "$TOOLS/"

# make KIND SIZE FILE: the document of that kind and depth or size (in Kb).
make() {
  python3 - "$@" <<'PY'
import struct, sys
kind, n, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
head = b"{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 "
if kind == "nested":
    body = head + b"{" * n + b"x" + b"}" * n + b"}"
elif kind == "nested-styled":
    body = head + b"".join(b"{\\b " if i % 2 else b"{\\i " for i in range(n)) + b"x" + b"}" * n + b"}"
elif kind == "siblings":
    body = head + b"{x}" * n + b"}"
elif kind == "binary":  # n braces as a picture's binary data, which is no group
    body = head + b"{\\pict\\wmetafile8\\bin%d " % n + b"{" * n + b"}x}" 
elif kind in ("text", "runs", "paragraphs", "plain", "one"):
    line = {
        # the parents' guide: a paragraph with a few changes of format
        "text": b"\\par \\b Parents\\b0 : a paragraph of the guide, with some \\i emphasis\\i0  and plain words after it.",
        # a change of format at every letter
        "runs": b"\\b a\\b0 b\\i c\\i0 d",
        # a paragraph every few letters
        "paragraphs": b"word\\par ",
        # long paragraphs of plain words
        "plain": b"\\par " + b"plain words of a long paragraph " * 30,
        # one paragraph of plain words, however long
        "one": b"plain words of one paragraph ",
    }[kind]
    body = bytearray(head)
    while len(body) + len(line) + 1 <= n * 1024:
        body += line
    body = bytes(body) + b"}"
else:  # picture: one 24-bit bitmap whose hex text makes the document about n Kb
    width = 512
    row = width * 3
    height = max(1, (n * 1024 // 2) // row)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, row * height, 2835, 2835, 0, 0)
    pixels = bytes((x * 7 + y * 3) & 0xFF for y in range(height) for x in range(row))
    pict = b"{\\pict\\dibitmap0\\picw%d\\pich%d\\picwgoal%d\\pichgoal%d " % (width, height, width * 15, height * 15)
    body = head + b"\\par A picture:\\par " + pict + (info + pixels).hex().encode() + b"}\\par The end.}"
open(path, "wb").write(body)
PY
}

# run KIND SIZE: makes the document, loads it in the probe, prints one line.
run() {
  local kind=$1 n=$2 file="$docs/$1-$2.rtf" out rc=0
  make "$kind" "$n" "$file"
  local bytes; bytes=$(stat -c %s "$file")
  out=$(cd "$TOOLS" && timeout "$timeout" "$WINE" "$TOOLS/rich_text_probe.exe" "C:\\docs\\$kind-$n.rtf" rtf ${again:+again} 2>&1 </dev/null) || rc=$?
  out=$(tr -d '\r' <<<"$out" | grep -E '^(loaded|crashed)' | tail -1)
  [ $rc -eq 124 ] && out="timeout after $timeout s"
  [ -n "$out" ] || out="ended with code $rc"
  printf '%-14s %7s bytes=%-10s %s\n' "$kind" "$n" "$bytes" "$out"
}

for d in $depths; do run nested "$d"; done
for d in $depths; do run nested-styled "$d"; done
for d in $depths; do run siblings "$d"; done
for d in $depths; do run binary "$d"; done
for kind in ${kinds:-text runs paragraphs plain}; do
  for s in $sizes; do run "$kind" "$s"; done
done
for s in $pictures; do run picture "$s"; done
