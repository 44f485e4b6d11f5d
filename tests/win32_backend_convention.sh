#!/usr/bin/env bash
# The real backend reaches Windows one way: <windows.h> through platform/win32/Win32.h
# only (which drops the A/W macros that would rename the program's own methods), and
# the code-page conversions in WinText.h only.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
# only_in PATTERN FILE WHAT: PATTERN appears in no backend file but FILE.
only_in() {
  local hits
  hits=$(grep -nE "$1" platform/win32/*.h platform/win32/*.cpp | grep -v "^platform/win32/$2:" || true)
  if [ -n "$hits" ]; then
    echo "$3 outside platform/win32/$2:"
    echo "$hits"
    status=1
  fi
}
only_in '#[[:space:]]*include[[:space:]]*<windows\.h>' Win32.h '<windows.h> included'
only_in '\b(MultiByteToWideChar|WideCharToMultiByte|AnsiToWide|WideToAnsi)\b' WinText.h 'text converted'
[ "$status" -eq 0 ] && echo "the Windows backend includes Win32.h and converts text in WinText.h"
exit "$status"
