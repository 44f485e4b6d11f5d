#!/usr/bin/env bash
# Measures the Linux program: a benchmark, not a test (it prints, it does not judge).
# On a virtual display of its own, interleaved with its peer, Ruffle alone playing the
# same movie in a bare WebKitGTK page (bench/ruffle_peer.c), and a bare WebKitGTK
# window showing a static page (bench/bare_webkit.c), the order rotating from round
# to round so that a busy machine moves all alike:
#   start-up  from the start of the process to the first frame of the movie on the
#             screen (the demo movie's panel colour read at one pixel, once a
#             millisecond: bench/pixelwait.c), for velvinor on a bench disc whose two
#             logo videos last 0.1 s each (--real-logos: the demo disc's own), and
#             for the peer; for the bare window, to its page's colour. With the
#             real logos, also from the intro's end (the movie's second load in the
#             movie log, looked at every 20 ms) to the movie's first frame.
#   idle      then, after 2 s, the processor time of the whole process tree (the
#             program, WebKit's web and network processes; /proc/PID/stat) over
#             --idle seconds, as a share of one core: velvinor with the movie
#             playing (the demo movie without its commands) and the state written
#             back twenty times a second; the bare window with its still page.
# It prints each round, then the median, least and largest of each figure, the
# paired differences to the peer, and the load average before and after.
#
# Usage: tests/linux/measure.sh [--runs N] [--idle SECONDS] [--real-logos] [BUILD_DIR]
#   BUILD_DIR     the Linux build with velvinor and velvinor_swfgen (default build/linux)
#   --runs        rounds (default 15)
#   --idle        length of each idle measurement in seconds (default 5)
#   --real-logos  the demo disc's own logo videos instead of 0.1 s ones
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage() { sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
runs=15 idle=5 build=$root/build/linux real=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] || usage; runs=$2; shift 2 ;;
    --idle) [ $# -ge 2 ] || usage; idle=$2; shift 2 ;;
    --real-logos) real=1; shift ;;
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
gcc -O2 -o "$work/ruffle_peer" "$here/bench/ruffle_peer.c" $(pkg-config --cflags --libs gtk+-3.0 webkit2gtk-4.1)
"$root/scripts/make-disc.sh" --linux "$program" --swfgen "$swfgen" "$work/disc" >/dev/null
if [ "$real" -eq 0 ]; then
  for logo in logo_deve logo_trelkon; do
    ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "color=c=black:size=64x48:rate=15:duration=0.1" \
      -c:v msvideo1 -pix_fmt rgb555le "$work/disc/SWF/$logo.avi"
  done
fi
grep -v '^at frame' "$root/tools/swf/demo-game.txt" | sed 's/^frames .*/frames 3600/' >"$work/bench-game.txt"
"$swfgen" "$work/bench-game.txt" -o "$work/disc/SWF/Game.swf"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

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

# When the movie log first holds its second load (the intro's end), in ms from START_NS.
watch_intro_end() {
  local start=$1 log=$2
  for _ in $(seq 6000); do
    if [ "$(grep -c '^load ' "$log" 2>/dev/null)" -ge 2 ]; then echo $((($(date +%s%N) - start) / 1000000)); return; fi
    sleep 0.02
  done
  echo timeout
}

# One run: PROGRAM... started in a session of its own; prints "START_MS IDLE_PERCENT
# INTRO_END_TO_FRAME_MS" (the last "-" but for velvinor with the real logos).
run() {
  local home=$work/home start pid ms a b log=/dev/null watcher='' after=-
  rm -rf "$home"
  mkdir -p "$home/config/velvinor" "$home/runtime"
  chmod 700 "$home/runtime"
  printf '[Software\\Trelkon\\Velvinor]\n@=""\n' >"$home/config/velvinor/registry.txt"
  start=$(date +%s%N)
  if [ "$real" -eq 1 ] && [ "$1" = "$work/disc/velvinor" ]; then
    log=$work/movie.log
    : >"$log"
    watch_intro_end "$start" "$log" >"$work/intro-end" &
    watcher=$!
  fi
  VELVINOR_MOVIE_LOG=$log HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
    XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime setsid "$@" >/dev/null 2>&1 &
  pid=$!
  ms=$("$work/pixelwait" 628 228 1d3b8a $((real ? 120000 : 60000)) "$start") || ms=timeout
  if [ -n "$watcher" ]; then
    wait "$watcher" || true
    local ended
    ended=$(cat "$work/intro-end")
    # The movie can show before the intro's end only when the intro was skipped.
    [ "$ms" != timeout ] && [ "$ended" != timeout ] && after=$((ms - ended))
  fi
  sleep 2
  a=$(session_ticks "$pid")
  sleep "$idle"
  b=$(session_ticks "$pid")
  kill -- "-$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sleep 0.5
  echo "$ms $(LC_ALL=C awk -v d=$((b - a)) -v t="$tick" -v s="$idle" 'BEGIN { printf "%.1f", 100 * d / t / s }') $after"
}

echo "round  velvinor: start ms, idle %, intro end to frame ms   peer: start ms, idle %   bare window: start ms, idle %"
: >"$work/v" && : >"$work/p" && : >"$work/b" && : >"$work/d"
for i in $(seq "$runs"); do
  # Each of the three orders of the three, in turn.
  order=(v p b)
  case $((i % 3)) in 1) order=(p b v) ;; 2) order=(b v p) ;; esac
  for who in "${order[@]}"; do
    case $who in
      v) v=$(run "$work/disc/velvinor") ;;
      p) p=$(run "$work/ruffle_peer" "$work/disc/ruffle" "$work/disc/SWF/Game.swf") ;;
      b) b=$(run "$work/bare_webkit") ;;
    esac
  done
  echo "$v" >>"$work/v"
  echo "$p" >>"$work/p"
  echo "$b" >>"$work/b"
  read -r vs vi va <<<"$v"
  read -r ps pi _ <<<"$p"
  read -r bs bi _ <<<"$b"
  # Paired differences to the peer: start ms, idle points.
  if [ "$vs" != timeout ] && [ "$ps" != timeout ]; then
    echo "$((vs - ps)) $(LC_ALL=C awk -v a="$vi" -v b="$pi" 'BEGIN { printf "%.1f", a - b }')" >>"$work/d"
  fi
  printf '%5d  %8s %6s %8s   %8s %6s   %8s %6s\n' "$i" "$vs" "$vi" "$va" "$ps" "$pi" "$bs" "$bi"
done

# Median, least and largest of a column of a file.
stats() { local LC_ALL=C; cut -d' ' -f"$2" "$1" | grep -E '^-?[0-9.]+$' | sort -g | awk '{ a[NR] = $1 } END {
  if (NR == 0) { print "no value"; exit }
  m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
  printf "median %s (min %s, max %s, n %d)\n", m, a[1], a[NR], NR }'; }
echo
echo "start to the movie's first frame, velvinor:   $(stats "$work/v" 1) ms"
echo "start to the movie's first frame, peer:       $(stats "$work/p" 1) ms"
echo "start to the page, bare WebKitGTK window:     $(stats "$work/b" 1) ms"
[ "$real" -eq 0 ] || echo "intro's end to the movie's first frame, velvinor: $(stats "$work/v" 3) ms"
echo "velvinor minus peer, start (paired):          $(stats "$work/d" 1) ms"
echo "idle processor use, velvinor (movie playing): $(stats "$work/v" 2) % of a core"
echo "idle processor use, peer (movie playing):     $(stats "$work/p" 2) % of a core"
echo "idle processor use, bare WebKitGTK window:    $(stats "$work/b" 2) % of a core"
echo "velvinor minus peer, idle (paired):           $(stats "$work/d" 2) points of a core"
echo "load average (1, 5, 15 min): before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
