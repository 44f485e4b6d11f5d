#!/usr/bin/env bash
# A family's journey with the demo disc on Linux: velvinor plays the disc folder it
# stands in with Ruffle in WebKitGTK, from the intro to the movie's "quit". The game
# is installed already (its settings file says so; the copy from the disc is another
# journey's). Every stage is told in plain words, leaves a screenshot, and proves
# what it shows from the screenshot's pixels; the state the program writes back is
# read from the movie through GetVariable.
#
#   journey.sh [--step] [--display] OUTDIR
#     --step     waits for Enter before each stage
#     --display  runs on this desktop's display ($DISPLAY) instead of a virtual one
#
# Needs VEL_LINUX_DISC: a disc made by scripts/make-disc.sh --linux (velvinor, its
# player folder ruffle/ and SWF/). OUTDIR receives the screenshots (NN-stage.png),
# the logs and the user's folders of the run.
set -euo pipefail

usage() { sed -n '9,11p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
step=0 display=0 out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --step) step=1; shift ;;
    --display) [ -n "${DISPLAY:-}" ] || { echo "journey: --display needs DISPLAY" >&2; exit 2; }; display=1; shift ;;
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

XVFB_PID='' GAME_PID=''
finish() {
  local status=$?
  set +e
  if [ $status -ne 0 ]; then
    [ -n "${DISPLAY:-}" ] && "$IMPORT" -display "$DISPLAY" -window root "$out/failed.png" 2>/dev/null
    if [ -s "$out/velvinor.log" ]; then printf '\nThe program last said:\n'; tail -n 8 "$out/velvinor.log"; fi
    printf '\nThe journey stopped at: %s (see %s)\n' "$stage_name" "$out"
  fi
  for pid in $GAME_PID $XVFB_PID; do kill "$pid" 2>/dev/null; done
  exit $status
}
trap finish EXIT

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
  local deadline=$(($(now_ms) + 10000))
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

# ---- pictures

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
  local name=$1 timeout=$2 deadline point x y colour bad format r g b
  shift 2
  format=''
  for point in "$@"; do
    read -r x y colour <<<"$point"
    format+="%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]\n"
  done
  deadline=$(($(now_ms) + timeout))
  while :; do
    screenshot "$name"
    bad=''
    exec 4< <("$CONVERT" "$SHOT" -format "$format" info:)
    for point in "$@"; do
      read -r x y colour <<<"$point"
      read -r r g b <&4
      local wr=$((16#${colour:0:2})) wg=$((16#${colour:2:2})) wb=$((16#${colour:4:2}))
      if [ $((r > wr ? r - wr : wr - r)) -gt 48 ] || [ $((g > wg ? g - wg : wg - g)) -gt 48 ] ||
        [ $((b > wb ? b - wb : wb - b)) -gt 48 ]; then
        bad="$point (it shows $r $g $b)"
        break
      fi
    done
    exec 4<&-
    [ -z "$bad" ] && break
    [ "$(now_ms)" -lt "$deadline" ] || fail "the screen does not show what it should at $bad; see $SHOT"
    rm -f "$SHOT"
    shots=$((shots - 1))
    sleep 0.05
  done
  tell "screenshot: $(basename "$SHOT") (proved at $# points)"
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

# ---- the journey

stage "Getting a desktop ready"
tell "display $DISPLAY, the user's folders in $home, LANG=$LANG"
# The game is installed: its settings say so and name the program as the registered copy.
cat >"$XDG_CONFIG_HOME/velvinor/registry.txt" <<EOF
[Software\\Trelkon\\Velvinor]
@=""
[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe]
@="$disc/velvinor"
EOF
tell "the game's settings in $XDG_CONFIG_HOME/velvinor/registry.txt say it is installed in $disc"

stage "A disc without the player: the program says so"
# The program and the movie's folder without the folder ruffle/ beside them.
rm -rf "$out/noplayer"
mkdir -p "$out/noplayer"
cp "$disc/velvinor" "$out/noplayer/"
ln -s "$disc/SWF" "$out/noplayer/SWF"
"$out/noplayer/velvinor" >"$out/noplayer.log" 2>&1 &
GAME_PID=$!
deadline=$(($(now_ms) + 20000))
until box=$(xdotool search --onlyvisible --name '^Вельвинор$' 2>/dev/null | head -n 1) && [ -n "$box" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "no message came up"
  sleep 0.1
done
sleep 0.3
screenshot no-player
tell "screenshot: $(basename "$SHOT") (a message box, the program's only window: that Ruffle's files are missing, in Russian)"
xdotool mousemove $((SCREEN_W / 2)) $((SCREEN_H / 2)) key Return
wait "$GAME_PID" && status=0 || status=$?
GAME_PID=''
[ "$status" -eq 1 ] || fail "the program without its player ended with status $status, not 1"
tell "answered: the program ends (status 1) and plays nothing"
[ ! -s "$out/movie.log" ] || fail "a movie was loaded without the player"

stage "Starting velvinor from the disc folder"
"$disc/velvinor" >"$out/velvinor.log" 2>&1 &
GAME_PID=$!
tell "started: $disc/velvinor (process $GAME_PID)"
wait_for_text 'load "velvinor://app/disc' 60000 || fail "the movie was not loaded"
tell "the movie is loaded (through the bridge) with its start parameters: $(recent | grep -m1 '^load' | sed 's/.*?//; s/"$//')"

stage "The intro plays the two logo videos"
screenshot_showing intro 90000 "${intro_points[@]}"
tell "the first logo's colour bars show where the intro window stands, above the main window"
# The child skips the rest of the intro with Esc, in the intro's window.
mark_log
# The keyboard goes to the window under the pointer (there is no window manager to
# give it one): the intro's. Once: a second Esc would stop the clip that follows.
xdotool mousemove $((SCREEN_W / 2)) $((SCREEN_H / 2)) key Escape
wait_for_text 'load "velvinor://app/disc' 30000 || fail "Esc did not end the intro: the movie was not started again"
mark_log
tell "Esc ends the intro: the movie starts again, with EscIntro=-1: $(tail -n 1 "$out/movie.log" | sed 's/.*?//; s/"$//')"
wait_for_text 'call SetVariable "_root.mpg" "0"' 20000 || fail "the movie was not told that no video plays"
tell "the movie shows and is told that no video plays (_root.mpg 0)"

stage "A second start finds the running game"
second_started=$(now_ms)
timeout 30 "$disc/velvinor" >"$out/second.log" 2>&1 || fail "the second start failed: $(tail -n 3 "$out/second.log")"
tell "the second velvinor ended by itself after $(($(now_ms) - second_started)) ms: only one game runs"
kill -0 "$GAME_PID" 2>/dev/null || fail "the first game ended"

stage "The game runs its movie"
screenshot_showing game 20000 "${movie_points[@]}"
tell "the movie's panel, its squares and its band are drawn at their places in the 1024 by 768 centred on the screen"
expect_movie '$version' 'LNX 32,0,0,0'
expect_movie '_root.minimized' '0'
# The start parameters reached the movie (in its URL's query string, through the bridge).
expect_movie 'ExeName' 'Velvinor'
expect_movie 'EscIntro' '-1'

wait_for_text 'fscommand "setvolume" "50"' 30000 || fail "the movie did not raise setvolume 50"
# Written back within a round of the feedback timer (50 ms).
deadline=$(($(now_ms) + 5000))
until [ "$(movie_get _root.currentvolume)" = 50 ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the volume was not written back to the movie"
  sleep 0.1
done
tell "GetVariable(\"_root.currentvolume\") = \"50\""
tell "setvolume 50: the master volume is at 50 %, and the movie reads it back"

wait_for_text 'fscommand "plaympg" "lesson1"' 30000 || fail "the movie did not raise plaympg lesson1"
wait_for_text 'call SetVariable "_root.mpg" "1"' 10000 || fail "the movie was not told that the clip plays"
tell "the movie is told that a clip plays (_root.mpg 1: a 3 s state, read back once the clip is over)"
# The clip plays in the movie's place: its picture (not the movie's panel) and moving.
a="$out/clip-a.png"
deadline=$(($(now_ms) + 10000))
while :; do
  screenshot clip
  if ! looks "$SHOT" "$((mx + 500))" "$((my + 100))" 1d3b8a; then
    sleep 0.3
    "$IMPORT" -window root "$a" 2>/dev/null
    diff=$("$COMPARE" -metric AE -crop "1024x768+$mx+$my" "$SHOT" "$a" null: 2>&1 || true)
    [ "${diff%% *}" -gt 1000 ] 2>/dev/null && break
  fi
  [ "$(now_ms)" -lt "$deadline" ] || fail "no moving clip where the movie stands; see $SHOT"
  rm -f "$SHOT"
  shots=$((shots - 1))
  sleep 0.1
done
rm -f "$a"
tell "screenshot: $(basename "$SHOT") (the movie's place shows a moving picture: ${diff%% *} pixels changed in 0.3 s)"
wait_for_nth 'call SetVariable "_root.mpg" "0"' 2 20000 || fail "the clip did not end"
expect_movie '_root.mpg' '0'
tell "the clip ended and the movie is back"

wait_for_text 'fscommand "execute" "parents.rtf"' 30000 || fail "the movie did not raise execute"
# The viewer: the window "Родителям", its light yellow page with dark text on it, on
# the screen above the movie.
deadline=$(($(now_ms) + 15000))
while :; do
  viewer=$(xdotool search --onlyvisible --name '^Родителям$' 2>/dev/null | head -n 1 || true)
  if [ -n "$viewer" ]; then
    eval "$(xdotool getwindowgeometry --shell "$viewer")"
    screenshot viewer
    # Within the screen: the page's lower right corner, and the text in its top part.
    vr=$(( X + WIDTH < SCREEN_W ? X + WIDTH : SCREEN_W )) vb=$(( Y + HEIGHT < SCREEN_H ? Y + HEIGHT : SCREEN_H ))
    if looks "$SHOT" $((vr - 20)) $((vb - 20)) f9f8bb; then
      dark=$("$CONVERT" "$SHOT" -crop "$((vr - X))x$(((vb - Y) / 3))+$X+$Y" -colorspace Gray -threshold 40% -negate \
        -format '%[fx:int(mean*w*h)]' info:)
      page=$("$CONVERT" "$SHOT" -crop "$((vr - X))x$(((vb - Y) / 3))+$X+$Y" -fuzz 12% -fill white -opaque '#f9f8bb' \
        -fill black +opaque white -format '%[fx:mean]' info:)
      # Text on the page: dark pixels, while the page's colour covers most of it.
      [ "$dark" -gt 2000 ] && [ "$(awk -v l="$page" 'BEGIN { print (l > 0.5) }')" = 1 ] && break
    fi
    rm -f "$SHOT"
    shots=$((shots - 1))
  fi
  [ "$(now_ms)" -lt "$deadline" ] || fail "the viewer with the parents' document does not show${SHOT:+; see $SHOT}"
  sleep 0.2
done
tell "screenshot: $(basename "$SHOT") (the viewer at $X,$Y, ${WIDTH}x$HEIGHT: its page with $dark dark pixels of text in its top third)"
tell "execute parents.rtf: the parents' document opens in the viewer"

wait_for_text 'fscommand "saveLevel" "2"' 30000 || fail "the movie did not raise saveLevel"
deadline=$(($(now_ms) + 5000))
until grep -qx '"Level"="2"' "$XDG_CONFIG_HOME/velvinor/registry.txt"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the setting Level was not stored"
  sleep 0.1
done
tell "saveLevel 2: Level=2 is kept in the settings file for the next start"

stage "The movie says quit"
wait_for_text 'fscommand "quit" ""' 30000 || fail "the movie did not raise quit"
deadline=$(($(now_ms) + 15000))
while kill -0 "$GAME_PID" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the game did not end on quit"
  sleep 0.1
done
wait "$GAME_PID" && status=0 || status=$?
GAME_PID=''
[ "$status" -eq 0 ] || fail "the game ended with status $status"
tell "quit: the game ended (status 0)"

stage "The journey is complete"
tell "$shots screenshots in $out, $(( ($(now_ms) - started_ms) / 1000 )) s in all"
