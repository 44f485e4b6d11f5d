#!/usr/bin/env bash
# Measures the Linux program: a benchmark, not a test (it prints, it does not judge).
# On a virtual display of its own, paired and interleaved with a bare WebKitGTK
# window showing a static page (bench/bare_webkit.c), the order rotating from pair
# to pair so that a busy machine moves both alike:
#   start-up  from the start of the process to the first frame of the movie on the
#             screen (the demo movie's panel colour read at one pixel, once a
#             millisecond: bench/pixelwait.c), for velvinor on a bench disc whose two
#             logo videos last 0.1 s each; for the bare window, to its page's colour.
#   idle      then, after 2 s, the processor time of the whole process tree (the
#             program, WebKit's web and network processes; /proc/PID/stat) over
#             --idle seconds, as a share of one core: velvinor with the movie
#             playing (the demo movie without its commands) and the state written
#             back twenty times a second; the bare window with its still page.
# It prints each pair, then the median, least and largest of each figure.
#
# Usage: tests/linux/measure.sh [--runs N] [--idle SECONDS] [BUILD_DIR]
#   BUILD_DIR  the Linux build with velvinor and velvinor_swfgen (default build/linux)
#   --runs     pairs (default 15)
#   --idle     length of each idle measurement in seconds (default 5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage() { sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
runs=15 idle=5 build=$root/build/linux
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] || usage; runs=$2; shift 2 ;;
    --idle) [ $# -ge 2 ] || usage; idle=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "measure: unknown option $1" >&2; usage ;;
    *) build=$(cd "$1" && pwd); shift ;;
  esac
done
program=$build/platform/linux swfgen=$build/tools/swf/velvinor_swfgen
[ -x "$program/velvinor" ] && [ -x "$swfgen" ] || { echo "measure: no velvinor built in $build" >&2; exit 2; }

work=$(mktemp -d /tmp/velvinor-measure.XXXXXX)
XVFB_PID=''
cleanup() {
  set +e
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The helpers, the bench disc: the demo disc with 0.1 s logos and a movie without commands.
gcc -O2 -o "$work/pixelwait" "$here/bench/pixelwait.c" -lX11
gcc -O2 -o "$work/bare_webkit" "$here/bench/bare_webkit.c" $(pkg-config --cflags --libs gtk+-3.0 webkit2gtk-4.1)
"$root/scripts/make-disc.sh" --linux "$program" --swfgen "$swfgen" "$work/disc" >/dev/null
for logo in logo_deve logo_trelkon; do
  ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "color=c=black:size=64x48:rate=15:duration=0.1" \
    -c:v msvideo1 -pix_fmt rgb555le "$work/disc/SWF/$logo.avi"
done
grep -v '^at frame' "$root/tools/swf/demo-game.txt" | sed 's/^frames .*/frames 3600/' >"$work/bench-game.txt"
"$swfgen" "$work/bench-game.txt" -o "$work/disc/SWF/Game.swf"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
unset DBUS_SESSION_BUS_ADDRESS VELVINOR_MOVIE_LOG VELVINOR_MOVIE_PROBE
tick=$(getconf CLK_TCK)

# Processor ticks of every process of a session so far.
session_ticks() {
  local sum=0 pid
  for pid in $(ps -s "$1" -o pid= 2>/dev/null); do
    read -r -a f <"/proc/$pid/stat" 2>/dev/null || continue
    # Fields after the command's closing parenthesis: utime and stime are the 12th and 13th.
    local rest=${f[*]}
    rest=${rest##*) }
    read -r -a g <<<"$rest"
    sum=$((sum + g[11] + g[12]))
  done
  echo "$sum"
}

# One run: PROGRAM... started in a session of its own; prints "START_MS IDLE_PERCENT".
run() {
  local home=$work/home start pid ms a b
  rm -rf "$home"
  mkdir -p "$home/config/velvinor" "$home/runtime"
  chmod 700 "$home/runtime"
  printf '[Software\\Trelkon\\Velvinor]\n@=""\n' >"$home/config/velvinor/registry.txt"
  start=$(date +%s%N)
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/runtime setsid "$@" >/dev/null 2>&1 &
  pid=$!
  ms=$("$work/pixelwait" 628 228 1d3b8a 60000 "$start") || ms=timeout
  sleep 2
  a=$(session_ticks "$pid")
  sleep "$idle"
  b=$(session_ticks "$pid")
  kill -- "-$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sleep 0.5
  echo "$ms $(LC_ALL=C awk -v d=$((b - a)) -v t="$tick" -v s="$idle" 'BEGIN { printf "%.1f", 100 * d / t / s }')"
}

echo "pair  velvinor: start ms, idle %   bare WebKitGTK window: start ms, idle %"
: >"$work/v" && : >"$work/b"
for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    v=$(run "$work/disc/velvinor")
    b=$(run "$work/bare_webkit")
  else
    b=$(run "$work/bare_webkit")
    v=$(run "$work/disc/velvinor")
  fi
  echo "$v" >>"$work/v"
  echo "$b" >>"$work/b"
  printf '%4d  %8s %6s   %8s %6s\n' "$i" $v $b
done

# Median, least and largest of a column of a file.
stats() { local LC_ALL=C; cut -d' ' -f"$2" "$1" | grep -v timeout | sort -g | awk '{ a[NR] = $1 } END {
  if (NR == 0) { print "no value"; exit }
  m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
  printf "median %s (min %s, max %s, n %d)\n", m, a[1], a[NR], NR }'; }
echo
echo "start to the movie's first frame, velvinor:  $(stats "$work/v" 1) ms"
echo "start to the page, bare WebKitGTK window:    $(stats "$work/b" 1) ms"
echo "idle processor use, velvinor (movie playing): $(stats "$work/v" 2) % of a core"
echo "idle processor use, bare WebKitGTK window:    $(stats "$work/b" 2) % of a core"
