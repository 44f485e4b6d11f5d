# The Linux journeys' common part, sourced by journey.sh and install-journey.sh with
# their arguments: their options and the disc, the run's folders and user, the
# virtual display, telling the stages, the movie's log and GetVariable, and the
# screenshots proved from their pixels.
# shellcheck shell=bash

# The usage is the journey's own, in its header's lines "#   NAME [--step] ..." on.
usage() { sed -n '/^#   [a-z-]*\.sh \[--step\]/,/^#$/p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
step=0 display=0 load=0 out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --step) step=1; shift ;;
    --display) [ -n "${DISPLAY:-}" ] || { echo "journey: --display needs DISPLAY" >&2; exit 2; }; display=1; shift ;;
    --load) [ $# -ge 2 ] && [ "$2" -ge 0 ] 2>/dev/null || usage; load=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "journey: unknown option $1" >&2; usage ;;
    *) [ -z "$out" ] || usage; out=$1; shift ;;
  esac
done
[ -n "$out" ] || usage
disc=${VEL_LINUX_DISC:-}
[ -x "$disc/velvinor" ] && [ -f "$disc/SWF/Game.swf" ] ||
  { echo "journey: VEL_LINUX_DISC does not name a disc with velvinor (scripts/make-disc.sh --linux)" >&2; exit 2; }

locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8' ||
  { echo "journey: the locale ru_RU.UTF-8 is missing (scripts/install-deps.sh linux makes it)" >&2; exit 2; }
IMPORT=$(command -v import-im6.q16 || command -v import) || { echo "journey: ImageMagick is missing" >&2; exit 2; }
CONVERT=$(command -v convert-im6.q16 || command -v convert)
COMPARE=$(command -v compare-im6.q16 || command -v compare)

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "$out"/*.png "$out"/*.log "$out/home" "$out/probe"
home=$out/home probe=$out/probe
mkdir -p "$home/config/velvinor" "$home/data" "$home/cache" "$home/runtime" "$probe"
chmod 700 "$home/runtime"

now_ms() { date +%s%3N; }
started_ms=$(now_ms)
shots=0
stage_name="getting ready"
say() { printf '\n== %s\n' "$*"; }
tell() { printf '   %s\n' "$*"; }
fail() {
  printf '   FAILED: %s\n' "$*" >&2
  exit 1
}
stage() {
  stage_name=$1
  say "$1"
  if [ "$step" -eq 1 ]; then
    printf '   [step] press Enter to go on '
    read -r _ || fail "no answer (standard input ended)"
  fi
}

# ---- the display, the program, its logs

XVFB_PID='' GAME_PID='' LOAD_PIDS=''
finish() {
  local status=$?
  set +e
  if [ $status -ne 0 ]; then
    [ -n "${DISPLAY:-}" ] && "$IMPORT" -display "$DISPLAY" -window root "$out/failed.png" 2>/dev/null
    if [ -s "$out/velvinor.log" ]; then printf '\nThe program last said:\n'; tail -n 8 "$out/velvinor.log"; fi
    printf '\nThe journey stopped at: %s (see %s)\n' "$stage_name" "$out"
  fi
  for pid in $GAME_PID $XVFB_PID $LOAD_PIDS; do kill "$pid" 2>/dev/null; done
  exit $status
}
trap finish EXIT

# A busy machine: processes that only spin, for the whole journey, as many as bring
# the load average to LOAD (a machine already that busy gets none).
for _ in $(seq $((load - $(cut -d. -f1 /proc/loadavg)))); do
  sh -c 'while :; do :; done' &
  LOAD_PIDS+=" $!"
done
[ "$load" -eq 0 ] || tell "beside$(wc -w <<<"$LOAD_PIDS") processes that only spin, to a load of $load (load average now $(cut -d' ' -f1 /proc/loadavg))"

if [ $display -eq 0 ]; then
  exec 3>"$out/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
  XVFB_PID=$!
  exec 3>&-
  for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.05; done
  [ -s "$out/display" ] || fail "the virtual display did not start"
  export DISPLAY=":$(cat "$out/display")"
fi

# The user's folders are the run's own; a Russian desktop.
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
export XDG_RUNTIME_DIR=$home/runtime LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
unset DBUS_SESSION_BUS_ADDRESS
export VELVINOR_MOVIE_LOG=$out/movie.log VELVINOR_MOVIE_PROBE=$probe
: >"$out/movie.log"

# The movie log from where the current part of the journey began (mark_log).
log_from=0
mark_log() { log_from=$(wc -l <"$out/movie.log"); }
recent() { tail -n +$((log_from + 1)) "$out/movie.log"; }
# Waits until the movie log holds a line with TEXT, at most MS milliseconds.
wait_for_text() {
  local text=$1 deadline=$(($(now_ms) + $2))
  until recent | grep -qF -- "$text"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
# How many lines of the movie log hold TEXT.
count_text() { recent | grep -cF -- "$1" || true; }
# Waits for the N-th line of the movie log with TEXT.
wait_for_nth() {
  local text=$1 n=$2 deadline=$(($(now_ms) + $3))
  until [ "$(count_text "$text")" -ge "$n" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
# Reads a variable from the movie through GetVariable (the program's own call).
movie_get() {
  # An answer took more than 10 s at a load of 35 on the two cores.
  local deadline=$(($(now_ms) + 40000))
  rm -f "$probe/answer"
  printf '%s' "$1" >"$probe/ask"
  until [ -f "$probe/answer" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the movie was not asked for $1 (the program does not answer)"
    sleep 0.05
  done
  local answer
  answer=$(cat "$probe/answer")
  [ "${answer:0:1}" = "=" ] || fail "GetVariable($1) failed: ${answer:1}"
  printf '%s' "${answer:1}"
}
expect_movie() {
  local value
  value=$(movie_get "$1")
  [ "$value" = "$2" ] || fail "the movie holds $1 = \"$value\", not \"$2\""
  tell "GetVariable(\"$1\") = \"$value\""
}

# The game is installed: its settings say so and name the disc's program as the registered copy.
settings_installed() {
  cat >"$XDG_CONFIG_HOME/velvinor/registry.txt" <<EOF
[Software\\Trelkon\\Velvinor]
@=""
[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe]
@="$disc/velvinor"
EOF
}

# ---- pictures

# Screenshots take a second or more on a busy machine, longer than some pictures
# last: a single pixel, read every millisecond, says when to take one.
PIXELWAIT=$out/pixelwait
gcc -O2 -o "$PIXELWAIT" "$(dirname "${BASH_SOURCE[0]}")/bench/pixelwait.c" -lX11 ||
  { echo "journey: could not build the pixel watcher (gcc, libx11-dev)" >&2; exit 2; }
# Waits at most MS milliseconds until X,Y shows RRGGBB (with "!": anything else).
wait_for_pixel() { "$PIXELWAIT" "$1" "$2" "$3" "$4" 0 >/dev/null; }

screenshot() {
  shots=$((shots + 1))
  SHOT=$(printf '%s/%02d-%s.png' "$out" "$shots" "$1")
  "$IMPORT" -window root "$SHOT" 2>/dev/null || fail "could not take a screenshot"
}
# The colour at X,Y of FILE as "R G B" (0-255).
rgb() {
  "$CONVERT" "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" info:
}
# Whether the colour at X,Y of FILE lies within 48 of RRGGBB in each channel.
looks() {
  local file=$1 x=$2 y=$3 want=$4 r g b
  read -r r g b < <(rgb "$file" "$x" "$y")
  local wr=$((16#${want:0:2})) wg=$((16#${want:2:2})) wb=$((16#${want:4:2}))
  [ $((r > wr ? r - wr : wr - r)) -le 48 ] && [ $((g > wg ? g - wg : wg - g)) -le 48 ] &&
    [ $((b > wb ? b - wb : wb - b)) -le 48 ]
}
# Every POINT ("X Y RRGGBB") of a list shows its colour: within TIMEOUT ms the screen
# is looked at again until it does; the last look is kept as NAME. One reading of
# the picture for all the points, so that a look is quick.
screenshot_showing() {
  local name=$1 timeout=$2 deadline x y colour
  shift 2
  deadline=$(($(now_ms) + timeout))
  while :; do
    read -r x y colour <<<"$1"
    wait_for_pixel "$x" "$y" "$colour" $((deadline > $(now_ms) ? deadline - $(now_ms) : 1)) || true
    screenshot "$name"
    shot_shows "$SHOT" "$@" && break
    [ "$(now_ms)" -lt "$deadline" ] || fail "the screen does not show what it should at $BAD; see $SHOT"
    rm -f "$SHOT"
    shots=$((shots - 1))
    sleep 0.05
  done
  tell "screenshot: $(basename "$SHOT") (proved at $# points)"
}
# Whether FILE shows every POINT; BAD tells the first that it does not.
shot_shows() {
  local file=$1 point x y colour format='' r g b
  shift
  for point in "$@"; do
    read -r x y colour <<<"$point"
    format+="%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]\n"
  done
  BAD=''
  exec 4< <("$CONVERT" "$file" -format "$format" info:)
  for point in "$@"; do
    read -r x y colour <<<"$point"
    read -r r g b <&4
    local wr=$((16#${colour:0:2})) wg=$((16#${colour:2:2})) wb=$((16#${colour:4:2}))
    if [ $((r > wr ? r - wr : wr - r)) -gt 48 ] || [ $((g > wg ? g - wg : wg - g)) -gt 48 ] ||
      [ $((b > wb ? b - wb : wb - b)) -gt 48 ]; then
      BAD="$point (it shows $r $g $b)"
      break
    fi
  done
  exec 4<&-
  [ -z "$BAD" ]
}
# The intro's first logo, caught by the pixel watcher with the whole screen, then
# skipped with Esc at once, and proved from that picture: the whole intro lasts 5 s,
# which a busy machine's screenshot tool can nearly fill.
intro_then_escape() {
  local x y colour
  read -r x y colour <<<"${intro_points[0]}"
  shots=$((shots + 1))
  SHOT=$(printf '%s/%02d-%s.png' "$out" "$shots" "$1")
  "$PIXELWAIT" "$x" "$y" "$colour" 90000 0 "$out/intro.ppm" >/dev/null ||
    fail "the intro's first logo did not show within 90 s"
  # The keyboard goes to the window under the pointer (there is no window manager to
  # give it one): the intro's. Once: a second Esc would stop the clip that follows.
  xdotool mousemove $((SCREEN_W / 2)) $((SCREEN_H / 2)) key Escape
  "$CONVERT" "$out/intro.ppm" "$SHOT" && rm -f "$out/intro.ppm"
  shot_shows "$SHOT" "${intro_points[@]}" || fail "the intro does not show what it should at $BAD; see $SHOT"
  tell "screenshot: $(basename "$SHOT") (proved at ${#intro_points[@]} points)"
}

# Where things are on the 1280 by 1024 screen: the movie's 1024 by 768 centred, its
# stage's boxes (tools/swf/demo-game.txt) inside it; the first logo video 720 by 576
# centred.
SCREEN_W=1280 SCREEN_H=1024
mx=$(((SCREEN_W - 1024) / 2)) my=$(((SCREEN_H - 768) / 2))
movie_points=("$((mx + 500)) $((my + 100)) 1d3b8a" "$((mx + 260)) $((my + 300)) 2e9e4a"
  "$((mx + 764)) $((my + 300)) c0392b" "$((mx + 500)) $((my + 632)) d9a441" "$((mx / 2)) $((my / 2)) 000000")
# The first logo's colour bars (SMPTE: grey, yellow, cyan, green, magenta, red, blue)
# across its top third.
ix=$(((SCREEN_W - 720) / 2)) iy=$(((SCREEN_H - 576) / 2))
bars=(c0c0c0 c0c000 00c0c0 00c000 c000c0 c00000 0000c0)
intro_points=()
for i in 0 1 2 3 4 5 6; do intro_points+=("$((ix + 720 * (2 * i + 1) / 14)) $((iy + 60)) ${bars[$i]}"); done

