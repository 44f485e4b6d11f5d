#!/usr/bin/env bash
# Which build of the Windows program the Wine tests and the journey run here, found
# once by really running 32-bit x86 code (some machines run none: their kernel
# refuses a 32-bit program with "Exec format error", and 32-bit Wine cannot start):
#   win32  Velvinor.exe for 32-bit Windows, the product, under 32-bit Wine
#   win64  the same sources built for 64-bit Windows, under 64-bit Wine in 64-bit
#          prefixes: where the machine runs no 32-bit code, or when VEL_WINE64=1
#
#   scripts/wine-build.sh          prints win32 or win64
#   scripts/wine-build.sh --tell   also says on standard error what it found, in words
set -uo pipefail
tell=0
[ "${1:-}" = --tell ] && tell=1
say() { [ $tell -eq 0 ] || echo "$*" >&2; }

# A 96-byte static program for 32-bit Linux on x86: exit(42) through int 0x80.
probe=$(mktemp /tmp/velvinor-i386.XXXXXX)
trap 'rm -f "$probe"' EXIT
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"          # identification
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"  # executable, i386, entry
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"  # one program header
printf '\x00\x00\x00\x00' >>"$probe"
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"  # load the file at 0x08048000
printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"  # 96 bytes, read and execute
printf '\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >>"$probe"                  # mov ebx,42; mov eax,1; int 0x80
chmod +x "$probe"

why=""
# bash, not timeout itself, runs it: timeout would hand a file the kernel refuses to sh.
error=$(timeout 10 bash -c '"$0"' "$probe" 2>&1 >/dev/null)
status=$?
if [ $status -ne 42 ]; then
  why="a 32-bit x86 program does not run here (${error##*: }${error:+, }exit status $status)"
elif [ -x /usr/lib/wine/wine ] && ! timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1; then
  why="32-bit Wine's loader (/usr/lib/wine/wine) does not start here"
fi

if [ -n "$why" ]; then
  say "This machine runs no 32-bit x86 code: $why."
  say "The Wine runs use the 64-bit build of Velvinor.exe under 64-bit Wine; the 32-bit product is still built and checked without Wine."
  echo win64
elif [ "${VEL_WINE64:-0}" = 1 ]; then
  say "This machine runs 32-bit x86 code, but VEL_WINE64=1 asks for the 64-bit run:"
  say "the Wine runs use the 64-bit build of Velvinor.exe under 64-bit Wine; the 32-bit product is still built and checked without Wine."
  echo win64
else
  say "This machine runs 32-bit x86 code: the Wine runs use Velvinor.exe for 32-bit Windows, the product (VEL_WINE64=1 would run the 64-bit build instead)."
  echo win32
fi
