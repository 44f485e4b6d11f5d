#!/usr/bin/env bash
# A family's journey with the demo disc on Linux: velvinor plays the disc folder it
# stands in with Ruffle in WebKitGTK, from the intro to the movie's "quit". The game
# is installed already (its settings file says so; the copy from the disc is another
# journey's). Every stage is told in plain words, leaves a screenshot, and proves
# what it shows from the screenshot's pixels; the state the program writes back is
# read from the movie through GetVariable.
#
#   journey.sh [--step] [--display] [--load N] OUTDIR
#     --step     waits for Enter before each stage
#     --display  runs on this desktop's display ($DISPLAY) instead of a virtual one
#     --load     processes that only spin run beside it up to a load average of N:
#                a busy, slow machine
#
# Needs VEL_LINUX_DISC: a disc made by scripts/make-disc.sh --linux (velvinor, its
# player folder ruffle/ and SWF/). OUTDIR receives the screenshots (NN-stage.png),
# the logs and the user's folders of the run.
set -euo pipefail

# shellcheck source=journey-lib.sh
source "$(dirname "$0")/journey-lib.sh" "$@"

# Waits until the program's LOG says TEXT in a line of its own messages, at most MS
# milliseconds: it says there what its message box shows.
wait_for_message() {
  local log=$1 text=$2 deadline=$(($(now_ms) + $3))
  until grep -A2 '^velvinor:' "$log" 2>/dev/null | grep -qF -- "$text"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
  sleep 0.3
}
# Ends the game of a stage that proved what it had to.
end_game() {
  kill "$GAME_PID" 2>/dev/null || true
  wait "$GAME_PID" 2>/dev/null || true
  GAME_PID=''
}

# ---- the journey

# The game (GAME_PID) ends within a minute, with status 0.
game_quits() {
  local deadline=$(($(now_ms) + 60000)) status
  while kill -0 "$GAME_PID" 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the game did not end on quit"
    sleep 0.1
  done
  wait "$GAME_PID" && status=0 || status=$?
  GAME_PID=''
  [ "$status" -eq 0 ] || fail "the game ended with status $status"
}

stage "Getting a desktop ready"
tell "display $DISPLAY, the user's folders in $home, LANG=$LANG"
settings_installed
tell "the game's settings in $XDG_CONFIG_HOME/velvinor/registry.txt say it is installed in $disc"

stage "A disc without the player: the program says so"
# The program and the movie's folder without the folder ruffle/ beside them.
rm -rf "$out/noplayer"
mkdir -p "$out/noplayer"
cp "$disc/velvinor" "$out/noplayer/"
ln -s "$disc/SWF" "$out/noplayer/SWF"
"$out/noplayer/velvinor" >"$out/noplayer.log" 2>&1 &
GAME_PID=$!
# The program comes up in 19 s at a load of 25 on the two cores.
deadline=$(($(now_ms) + 90000))
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

stage "A system without the desktop's locale: the program says so"
missing_locale=ru_RU.KOI8-R
! locale -a 2>/dev/null | grep -qix 'ru_RU\.koi8-\?r' || fail "this machine has $missing_locale; the stage needs one it lacks"
LC_ALL=$missing_locale "$disc/velvinor" >"$out/no-locale.log" 2>&1 &
GAME_PID=$!
wait_for_message "$out/no-locale.log" "$missing_locale" 30000 || fail "the missing locale was not named"
# The box, centred, with nothing else on the screen: its face left of its text.
screenshot_showing no-locale 60000 "380 470 f6f5f4" "100 100 000000"
tell "the box says: $(grep -m1 '^velvinor:' "$out/no-locale.log" | cut -c1-160)"
end_game

stage "The disc offers to start: its autorun.sh starts velvinor"
# What a desktop sees in the disc's folder: software to start, as GIO judges it.
kinds=$(/usr/bin/python3 - "$disc" <<'EOF'
import sys
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio
print(" ".join(Gio.content_type_guess_for_tree(Gio.File.new_for_path(sys.argv[1]))))
EOF
) || fail "GIO could not look at the disc"
case " $kinds " in *" x-content/unix-software "*) ;; *) fail "GIO does not see software to start on the disc: \"$kinds\"" ;; esac
tell "GIO sees the disc as: $kinds"
# As the desktop runs it: from another folder; the disc's path holds a blank.
(cd / && exec "$disc/autorun.sh") >"$out/velvinor.log" 2>&1 &
GAME_PID=$!
tell "started: $disc/autorun.sh from / (process $GAME_PID)"
wait_for_text 'load "velvinor://app/disc' 60000 || fail "the movie was not loaded"
tell "the movie is loaded (through the bridge) with its start parameters: $(recent | grep -m1 '^load' | sed 's/.*?//; s/"$//')"

stage "The intro plays the two logo videos"
# The child skips the rest of the intro with Esc, in the intro's window.
mark_log
intro_then_escape intro
tell "the first logo's colour bars show where the intro window stands, above the main window"
# The player is built while the intro plays: the first start did not wait for it.
! grep -q '^ready ' "$out/movie.log" || fail "the intro began only once the movie's player was ready"
# The first, hidden start's player loads while the intro plays, and may still be in
# the making: the second start must then replace it, not draw beside it.
wait_for_text 'EscIntro=-1&ExeName=Velvinor"' 60000 || fail "Esc did not end the intro: the movie was not started again"
tell "Esc ends the intro: the movie starts again, with EscIntro=-1: $(grep -m1 'EscIntro=-1' "$out/movie.log" | sed 's/.*?//; s/"$//')"
second=$(grep -n -m1 'EscIntro=-1' "$out/movie.log" | cut -d: -f1)
first_load=$(head -n $((second - 1)) "$out/movie.log" | grep -m1 '^load ' || true)
first_ready=$(head -n $((second - 1)) "$out/movie.log" | grep -c '^ready ' || true)
if [ -z "$first_load" ]; then
  tell "the player's page was still loading when Esc came: the movie is loaded once, with the final parameters"
elif [ "$first_ready" -eq 0 ]; then
  tell "the first start's player ($(sed 's/.*?//; s/"$//' <<<"$first_load")) was still being built when Esc came: the second load follows it"
else
  tell "the first start's player was ready before Esc: the second load replaces it"
fi
wait_for_text 'call SetVariable "_root.mpg" "0"' 60000 || fail "the movie was not told that no video plays"
tell "the movie shows and is told that no video plays (_root.mpg 0)"
# What follows the second start's load.
log_from=$second

stage "A second start finds the running game"
second_started=$(now_ms)
timeout 90 "$disc/velvinor" >"$out/second.log" 2>&1 || fail "the second start failed: $(tail -n 3 "$out/second.log")"
tell "the second velvinor ended by itself after $(($(now_ms) - second_started)) ms: only one game runs"
kill -0 "$GAME_PID" 2>/dev/null || fail "the first game ended"

stage "The game runs its movie"
# Up to a minute and a half: the player's first start on a busy machine.
screenshot_showing game 90000 "${movie_points[@]}"
tell "the movie's panel, its squares and its band are drawn at their places in the 1024 by 768 centred on the screen"
expect_movie '#instances' '1'
tell "one player draws in the page"
# Asked of the player itself now; the program answered the first start alike, unasked.
# The movie requires the Windows control (tools/swf/demo-game.txt): the platform it
# was made for, with the version of the player behind it.
expect_movie '$version' 'WIN 32,0,0,0'
expect_movie '_root.minimized' '0'
# The start parameters reached the movie (in its URL's query string, through the bridge).
expect_movie 'ExeName' 'Velvinor'
expect_movie 'EscIntro' '-1'

wait_for_text 'fscommand "setvolume" "50"' 90000 || fail "the movie did not raise setvolume 50"
# Written back within a round of the feedback timer (50 ms); the answer itself took
# more than 10 s at a load of 35.
deadline=$(($(now_ms) + 30000))
until [ "$(movie_get _root.currentvolume)" = 50 ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the volume was not written back to the movie"
  sleep 0.1
done
tell "GetVariable(\"_root.currentvolume\") = \"50\""
tell "setvolume 50: the master volume is at 50 %, and the movie reads it back"

wait_for_text 'fscommand "plaympg" "lesson1"' 90000 || fail "the movie did not raise plaympg lesson1"
log_from=$(grep -n -m1 '^fscommand "plaympg"' "$out/movie.log" | cut -d: -f1)
wait_for_text 'call SetVariable "_root.mpg" "1"' 30000 || fail "the movie was not told that the clip plays"
tell "the movie is told that a clip plays (_root.mpg 1: a 3 s state, read back once the clip is over)"
# The clip plays in the movie's place: its picture (not the movie's panel) and moving.
a="$out/clip-a.png"
deadline=$(($(now_ms) + 30000))
while :; do
  wait_for_pixel "$((mx + 500))" "$((my + 100))" '!1d3b8a' $((deadline > $(now_ms) ? deadline - $(now_ms) : 1)) || true
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
wait_for_text 'call SetVariable "_root.mpg" "0"' 60000 || fail "the clip did not end"
expect_movie '_root.mpg' '0'
tell "the clip ended and the movie is back"

wait_for_text 'fscommand "execute" "parents.rtf"' 90000 || fail "the movie did not raise execute"
# The viewer: the window "Родителям", its light yellow page with dark text on it, on
# the screen above the movie.
deadline=$(($(now_ms) + 60000))
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

wait_for_text 'fscommand "saveLevel" "2"' 90000 || fail "the movie did not raise saveLevel"
deadline=$(($(now_ms) + 20000))
until grep -qx '"Level"="2"' "$XDG_CONFIG_HOME/velvinor/registry.txt"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the setting Level was not stored"
  sleep 0.1
done
tell "saveLevel 2: Level=2 is kept in the settings file for the next start"

stage "The movie says quit"
wait_for_text 'fscommand "quit" ""' 90000 || fail "the movie did not raise quit"
game_quits
tell "quit: the game ended (status 0)"

stage "A player that does not answer holds nothing up for long"
# The page never answers for _root.held; the program asks once the movie runs.
mark_log
VELVINOR_MOVIE_HOLD=_root.held "$disc/velvinor" >"$out/velvinor.log" 2>&1 &
GAME_PID=$!
intro_then_escape held-intro
wait_for_text 'EscIntro=-1&ExeName=Velvinor"' 60000 || fail "Esc did not end the intro"
# Two more loads in a row while the first one's player is still being built (its
# first build takes seconds): one player must come of the three.
[ "$(movie_get '#reload')" = "" ] || fail "the movie was not loaded again"
# This run's loads: the page numbers them from one in each run.
loads=$(recent | grep -c '^load ')
recent | grep -q '^ready ' && tell "(the first player was ready before the reload: a quick machine)"
wait_for_text "ready $loads" 180000 || fail "the movie's player was not ready after $loads loads"
# Any other player being built meanwhile would be done by now.
sleep 5
expect_movie '#instances' '1'
tell "three loads, the last two while the first player was being built: one player draws in the page"
screenshot_showing held-movie 90000 "${movie_points[@]}"
mark_log
asked=$(now_ms)
rm -f "$probe/answer"
printf '_root.held' >"$probe/ask"
# While the program waits, its window still paints: hidden and shown again, it is drawn anew.
sleep 2
[ ! -f "$probe/answer" ] || fail "the held question was answered: $(cat "$probe/answer")"
main=$(xdotool search --onlyvisible --name '^Вельвинор$' | head -n 1)
[ -n "$main" ] || fail "no main window"
xdotool windowunmap --sync "$main"
xdotool windowmap --sync "$main"
screenshot_showing held-repainted 60000 "${movie_points[@]}"
[ ! -f "$probe/answer" ] || fail "the held question was answered early: $(cat "$probe/answer")"
tell "while the question waits, the window, hidden and shown again, paints its movie anew"
deadline=$(($(now_ms) + 60000))
until [ -f "$probe/answer" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "GetVariable waited more than 60 s"
  sleep 0.1
done
waited=$(($(now_ms) - asked))
answer=$(cat "$probe/answer")
case $answer in '!'*'no answer'*) ;; *) fail "the held question got \"$answer\", not the failure" ;; esac
tell "after $waited ms GetVariable gives up: ${answer:1}"
# No further question here: the movie raised its commands to "quit" while the program
# waited, and the program carries them out as soon as the wait ends.
# The program's own work, held while it waited, goes on: the movie's commands to quit.
wait_for_text 'fscommand "quit" ""' 60000 || fail "the movie did not go on to quit"
game_quits
tell "the commands held meanwhile ran afterwards, to quit (status 0)"

stage "A system without the MPEG video decoder: the program names it and its package"
# The decoders of the clip's picture are ranked out of use, as if not installed.
: >"$out/movie.log"
mark_log
GST_PLUGIN_FEATURE_RANK=avdec_mpeg1video:NONE,avdec_mpeg2video:NONE,avdec_mpegvideo:NONE,mpeg2dec:NONE \
  "$disc/autorun.sh" >"$out/no-decoder.log" 2>&1 &
GAME_PID=$!
wait_for_text 'fscommand "plaympg" "lesson1"' 120000 || fail "the movie did not raise plaympg lesson1"
wait_for_message "$out/no-decoder.log" gstreamer1.0-libav 30000 || fail "the missing decoder was not named"
screenshot no-decoder
tell "screenshot: $(basename "$SHOT") (a message box): $(grep -m1 '^velvinor:' "$out/no-decoder.log" | cut -c1-200)"
end_game

stage "The journey is complete"
tell "$shots screenshots in $out, $(( ($(now_ms) - started_ms) / 1000 )) s in all"
