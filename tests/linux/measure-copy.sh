#!/usr/bin/env bash
# Measures the transfer's folder copy on Linux against `cp -r`: a benchmark, not a
# test (it prints, it does not judge). Two folders are copied, each into a fresh
# target on the same file system, paired and interleaved with `cp -r`, the order
# rotating from pair to pair so that a busy machine moves both alike:
#   disc   the demo disc (scripts/make-disc.sh --linux: the movie, the videos, the
#          documents, velvinor and Ruffle's files)
#   small  2,000 files of 1 to 16 KB in 40 folders
# Both the program (bench/copy_folder.cpp: the Linux shell's folder copy, which the
# transfer calls) and cp are timed from outside, process start included; the sources
# are read once beforehand, so both copy from the page cache. It prints each pair,
# then the median, least and largest seconds and the median's rate.
#
# Usage: tests/linux/measure-copy.sh [--runs N] [BUILD_DIR]
#   BUILD_DIR  the Linux build with velvinor, velvinor_swfgen and velvinor_copy_folder
#              (default build/linux)
#   --runs     pairs per folder (default 9)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage() { sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
runs=9 build=$root/build/linux
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] || usage; runs=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "measure-copy: unknown option $1" >&2; usage ;;
    *) build=$(cd "$1" && pwd); shift ;;
  esac
done
copy=$build/tests/linux/velvinor_copy_folder
[ -x "$copy" ] && [ -x "$build/platform/linux/velvinor" ] || { echo "measure-copy: nothing built in $build" >&2; exit 2; }

work=$(mktemp -d /tmp/velvinor-measure-copy.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$root/scripts/make-disc.sh" --linux "$build/platform/linux" --swfgen "$build/tools/swf/velvinor_swfgen" \
  "$work/disc" >/dev/null
/usr/bin/python3 - "$work/small" <<'PY'
import os, random, sys
random.seed(2000)
for i in range(2000):
    folder = os.path.join(sys.argv[1], "part%02d" % (i // 50))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file%04d.dat" % i), "wb") as f:
        f.write(random.randbytes(random.randint(1024, 16384)))
PY

now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds
timed() {  # prints the seconds a command took
  local start end
  start=$(now); "$@" >/dev/null; end=$(now)
  echo "scale=4; ($end - $start) / 1000000" | bc | sed 's/^\./0./'
}
stats() {  # median least largest of the numbers on stdin
  sort -n | awk '{v[NR]=$1} END {m = NR % 2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2; printf "%.3f %.3f %.3f\n", m, v[1], v[NR]}'
}

for set in disc small; do
  source=$work/$set
  bytes=$(du -sb "$source" | cut -f1) files=$(find "$source" -type f | wc -l)
  cat $(find "$source" -type f) >/dev/null  # into the page cache
  : >"$work/velvinor.txt"; : >"$work/cp.txt"
  echo "$set: $files files, $((bytes / 1024)) KB"
  for i in $(seq 1 "$runs"); do
    rm -rf "$work/target"
    if [ $((i % 2)) -eq 1 ]; then
      v=$(timed "$copy" "$source/" "$work/target"); rm -rf "$work/target"
      c=$(timed cp -r "$source" "$work/target")
    else
      c=$(timed cp -r "$source" "$work/target"); rm -rf "$work/target"
      v=$(timed "$copy" "$source/" "$work/target")
    fi
    echo "$v" >>"$work/velvinor.txt"; echo "$c" >>"$work/cp.txt"
    echo "  pair $i: velvinor $v s, cp -r $c s"
  done
  for who in velvinor cp; do
    read -r median least largest < <(stats <"$work/$who.txt")
    rate=$(echo "scale=1; $bytes / 1048576 / $median" | bc)
    echo "  $who: median $median s (least $least, largest $largest), $rate MB/s, $(echo "scale=0; $files / $median" | bc) files/s"
  done
done
