#!/usr/bin/env bash
# A crafted disc against the Linux program: its movie, written by the project's SWF
# writer, tries what a hostile disc could, and each try must end in a refusal the
# program tells in its movie log, while what the game may read is still served.
#
#   crafted-disc.sh [--step] [--display] OUTDIR
#     --step     waits for Enter before each stage
#     --display  runs on this desktop's display ($DISPLAY) instead of a virtual one
#
# VEL_CRAFTED chooses the attack: "links" (the movie reads through links on the disc
# that lead out of its folder, a link loop, a FIFO) or "page" (script the movie runs
# in the player's page through ExternalInterface: reads another scheme, navigates,
# opens a window, forges the host's messages). Needs VEL_LINUX_DISC (as the journey)
# and VEL_SWFGEN, the project's SWF writer.
set -euo pipefail

# shellcheck source=journey-lib.sh
source "$(dirname "$0")/journey-lib.sh" "$@"
swfgen=${VEL_SWFGEN:-}
[ -x "$swfgen" ] || fail "VEL_SWFGEN does not name velvinor_swfgen"
mode=${VEL_CRAFTED:-links}

stage "Crafting the disc ($mode)"
settings_installed
swf=$disc/SWF
# The movie's folder as its URLs and the program's log write it: a blank escaped.
swf_url=${swf// /%20}
base="velvinor://app/disc$swf_url"
# What the family keeps at home, and what the game may read of its own.
printf 'secret=LEAKED&' >"$home/secret.txt"
printf 'okvar=served&' >"$swf/ok.txt"
printf 'inside=served&' >"$swf/inner.txt"
rm -f "$swf"/{link.txt,linkdir,environ,climb.txt,chain1,chain2,loop1,loop2,fifo,inside}
ln -s "$home/secret.txt" "$swf/link.txt"
ln -s "$home" "$swf/linkdir"
ln -s /proc/self/environ "$swf/environ"
ln -s "$(realpath --relative-to="$swf" "$home")/secret.txt" "$swf/climb.txt"
ln -s chain2 "$swf/chain1"
ln -s link.txt "$swf/chain2"
ln -s loop2 "$swf/loop1"
ln -s loop1 "$swf/loop2"
mkfifo "$swf/fifo"
ln -s inner.txt "$swf/inside"

# Script run in the page reports back as the movie's own FSCommand "probe".
report='var P=function(w){window.webkit.messageHandlers.velvinor.postMessage(["fscommand","probe",w].join(String.fromCharCode(31)));};'
# Read through the scheme: every way out, then what the game may read (each frame's
# requests go out in order; the last ones prove the earlier answers came).
outside=(link.txt linkdir/secret.txt environ climb.txt chain1 loop1 fifo '..%2F..%2Fhome%2Fsecret.txt')
{
  echo "rate 12"
  echo "frames 240"
  echo "at frame 1: fscommand probe started"
  case $mode in
    links)
      for name in "${outside[@]}"; do echo "at frame 2: loadvariables $base/$name"; done
      echo "at frame 12: loadvariables $base/ok.txt"
      echo "at frame 12: loadvariables $base/inside"
      ;;
    page)
      echo "at frame 2: call (function(){${report}fetch('data:text/plain,x').then(function(){P('data read')},function(){P('data blocked')});})"
      echo "at frame 2: call (function(){${report}fetch('file:///etc/hostname').then(function(){P('file read')},function(){P('file blocked')});})"
      echo "at frame 2: call (function(){${report}fetch('$base/link.txt').then(function(r){P(r.ok?'link read':'link blocked')},function(){P('link blocked')});})"
      echo "at frame 2: call (function(){${report}var w=window.open('$base/ok.txt');P(w?'window opened':'window blocked');})"
      echo "at frame 2: call (function(){var h=window.webkit.messageHandlers.velvinor,u=String.fromCharCode(31);h.postMessage('page'+u+'again');h.postMessage({kind:'fscommand'});h.postMessage('fscommand'+u+'quit');h.postMessage('fscommand'+u+'quit'+u+''+u+'more');h.postMessage('shell'+u+'rm');})"
      echo "at frame 24: call (function(){location.href='$base/ok.txt';})"
      echo "at frame 48: fscommand probe alive"
      ;;
    *) fail "VEL_CRAFTED is links or page, not $mode" ;;
  esac
} >"$out/crafted.txt"
"$swfgen" "$out/crafted.txt" -o "$swf/Game.swf" || fail "the SWF writer refused the crafted movie"
tell "the crafted movie: $(grep -c '^at' "$out/crafted.txt") requests; links on the disc lead to $home"

stage "The game plays the crafted disc"
"$disc/velvinor" >"$out/velvinor.log" 2>&1 &
GAME_PID=$!
wait_for_text 'load "velvinor://app/disc' 120000 || fail "the movie was not loaded"
# Its first frame: on a busy machine the player's first start takes minutes.
wait_for_text 'fscommand "probe" "started"' 300000 || fail "the crafted movie did not start playing"
tell "the crafted movie plays"

case $mode in
  links)
    stage "Links out of the movie's folder are refused, links within it followed"
    for name in "${outside[@]}"; do
      wait_for_text "refused \"/disc$swf_url/$name\"" 120000 || fail "$name was not refused"
      tell "refused: $name"
    done
    deadline=$(($(now_ms) + 120000))
    until [ "$(movie_get _root.okvar)" = served ] && [ "$(movie_get _root.inside)" = served ]; do
      [ "$(now_ms)" -lt "$deadline" ] || fail "the movie's own files were not served"
      sleep 0.2
    done
    tell "served: ok.txt and the link inside to inner.txt (_root.okvar, _root.inside = \"served\")"
    expect_movie _root.secret ''
    ;;
  page)
    stage "Script run by the movie can do no more than an FSCommand"
    for what in data file link window; do
      wait_for_text "fscommand \"probe\" \"$what " 120000 || fail "the page's try ($what) never answered"
      line=$(recent | grep -m1 -F "fscommand \"probe\" \"$what ")
      case $line in *blocked*) tell "blocked: $what" ;; *) fail "the page could: $line" ;; esac
    done
    for forged in page fscommand shell; do
      wait_for_text "refused message \"$forged\"" 60000 || fail "a forged \"$forged\" message was not refused"
    done
    [ "$(count_text 'refused message')" -ge 4 ] || fail "not every forged message was refused: $(recent | grep 'refused message')"
    ! recent | grep -qF 'fscommand "quit"' || fail "a forged message reached the game as quit"
    tell "forged messages refused: $(count_text 'refused message')"
    wait_for_text "refused navigation \"$base/ok.txt\"" 120000 || fail "the page's navigation was not refused"
    tell "navigation away from the page refused"
    wait_for_text 'fscommand "probe" "alive"' 120000 || fail "the movie stopped after the navigation"
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended"
    tell "the movie plays on in its page"
    ;;
esac

stage "The crafted disc is held"
tell "$(( ($(now_ms) - started_ms) / 1000 )) s in all"
