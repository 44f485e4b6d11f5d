#!/usr/bin/env bash
# The systems of a test run's journey, one line a row: which build of Velvinor.exe
# it ran and how it ended, or why it did not run (journey.sh leaves that line in the
# row's folder, result.txt). A row with no line did not run, or was stopped before it
# could say: it is never shown as passed.
#   tests/wine/matrix.sh BUILD_DIR           prints the summary
#   tests/wine/matrix.sh --clear BUILD_DIR   forgets an earlier run's lines (before a run)
set -euo pipefail
clear=0
if [ "${1:-}" = --clear ]; then clear=1; shift; fi
[ $# -eq 1 ] || { echo "usage: $0 [--clear] BUILD_DIR" >&2; exit 2; }
dir=$1/tests/wine
rows=("journey|Wine's own Windows, the machine's language"
      "journey-russian|Windows 7 in Russian (code pages 1251 and 866)"
      "journey-win64|Windows 10, 64-bit"
      "journey-xp|Windows XP, 32-bit")
if [ $clear -eq 1 ]; then
  for row in "${rows[@]}"; do rm -f "$dir/${row%%|*}/result.txt"; done
  exit 0
fi
echo "The family's journey on each system ($1):"
for row in "${rows[@]}"; do
  result=$(cat "$dir/${row%%|*}/result.txt" 2>/dev/null) || result="no result: it did not run, or was stopped before it ended"
  printf '  %-48s %s\n' "${row#*|}" "$result"
done
