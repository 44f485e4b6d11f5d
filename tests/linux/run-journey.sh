#!/usr/bin/env bash
# A Linux journey as a test: makes the demo disc with this build's velvinor and runs
# the journey (tests/linux/journey.sh, or the one named) on it in a virtual display.
#   run-journey.sh PROGRAM_DIR SWFGEN OUTDIR [JOURNEY [OPTION...]]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ $# -ge 3 ] || { echo "usage: run-journey.sh PROGRAM_DIR SWFGEN OUTDIR [JOURNEY [OPTION...]]" >&2; exit 2; }
program=$1 swfgen=$2 out=$3 journey=${4:-journey.sh}
shift $(($# < 4 ? $# : 4))
mkdir -p "$out"
"$here/../../scripts/make-disc.sh" --linux "$program" --swfgen "$swfgen" "$out/demo disc" >"$out/make-disc.log" 2>&1 ||
  { cat "$out/make-disc.log"; exit 1; }
# A blank in its path, as a disc's label gives one.
VEL_LINUX_DISC="$out/demo disc" VEL_SWFGEN="$swfgen" exec "$here/$journey" "$@" "$out"
