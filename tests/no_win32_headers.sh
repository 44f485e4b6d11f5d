#!/usr/bin/env bash
# The portable program and the simulated platform include no Win32 header: only
# the real backend and the Wine test programs may.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -rnEi --include='*.h' --include='*.cpp' \
  '#[[:space:]]*include[[:space:]]*[<"](windows|winuser|winbase|mmsystem|ole2|oleauto|objbase|shlobj|shellapi|ddeml|commctrl|richedit|winspool|commdlg|winreg)\.h[>"]' \
  --exclude-dir=win32 --exclude-dir=wine --exclude-dir=build --exclude-dir='build*' . || true)
if [ -n "$hits" ]; then
  echo "Win32 headers outside the real backend:"
  echo "$hits"
  exit 1
fi
echo "no Win32 header outside platform/win32 and tests/wine"
