#!/usr/bin/env bash
# Measures Velvinor.exe under Wine (a benchmark, not a test: it prints, it does not
# judge). In a fresh prefix of its own:
#   1. the time from start to the movie player message, with no movie control;
#   2. with the stand-in control and intro videos: the time from start to the main
#      window, then, with the intro skipped and the game running, the processor time
#      the program (and the Wine server working for it) uses over 10 s.
# Usage: tests/wine/measure.sh BUILD_DIR    (the Windows build, e.g. build/win32)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: measure.sh BUILD_DIR}" && pwd)
export VEL_WINE_RUN="$build/tests/wine/measure"
export VEL_EXE="$build/platform/win32/Velvinor.exe" VEL_DRIVER="$build/tests/wine/driver.exe"
export VEL_PROGMAN="$build/tests/wine/progman_server.exe" VEL_FLASHSTUB="$build/tests/wine/flashstub/flashstub.dll"
source "$here/harness.sh"
trap cleanup_run EXIT
setup_run >/dev/null
runs=${RUNS:-3}
game="$C/Games/Velvinor"

found_ms() { sed -n 's/.* t=\([0-9]*\)$/\1/p' <<<"$1" | tail -1; }

echo "== start to the movie player message (no movie control), $runs runs"
for i in $(seq "$runs"); do
  reset_machine
  start_progman
  install_game_copy "$game"
  mark_installed
  start_program "$game/Velvinor.exe"
  drive <<<'wait-window #32770 Вельвинор 60000' >/dev/null
  echo "run $i: $(($(found_ms "$DRIVER_OUT") - START_MS)) ms"
  drive <<<$'wait-window #32770 Вельвинор 1000\nclick OK' >/dev/null
  wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end"
done

echo "== start to the main window (stand-in control, intro videos), $runs runs"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=15 -t 3 -c:v msvideo1 "$VEL_WINE_RUN/logo.avi"
for i in $(seq "$runs"); do
  reset_machine
  start_progman
  register_movie_stub "$VEL_FLASHSTUB"
  install_game_copy "$game"
  cp "$VEL_WINE_RUN/logo.avi" "$game/SWF/logo_deve.avi"
  cp "$VEL_WINE_RUN/logo.avi" "$game/SWF/logo_trelkon.avi"
  mark_installed
  use_movie_stub_files
  start_program "$game/Velvinor.exe"
  drive <<<'wait-window VelvinorForm Вельвинор 60000' >/dev/null
  echo "run $i: $(($(found_ms "$DRIVER_OUT") - START_MS)) ms"
  [ "$i" -lt "$runs" ] || break
  movie_command quit
  wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
done

echo "== idle processor use over 10 s (the game running, intro skipped)"
drive <<<$'wait-window VelvinorForm Вельвинор 5000\nkey 27' >/dev/null
wait_for_text "$STUB_LOG" 'EscIntro=-1' 20000 || fail "the movie did not start"
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
program=$PROGRAM_PID  # the wine launcher becomes the program's own process
# This prefix's server works in a folder named server-DEV-INODE of the prefix.
serverdir="server-$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
server=
for pid in $(pgrep wineserver); do
  [ "$(basename "$(readlink "/proc/$pid/cwd")")" = "$serverdir" ] && server=$pid
done
[ -n "$server" ] || fail "no Wine server for $WINEPREFIX"
sleep 2  # let the start settle: this measures the steady state
p0=$(ticks "$program") s0=$(ticks "$server") t0=$(now_ms)
sleep 10
p1=$(ticks "$program") s1=$(ticks "$server") t1=$(now_ms)
hz=$(getconf CLK_TCK)
awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$hz" -v ms=$((t1 - t0)) 'BEGIN {
  printf "program: %.2f s of processor time in %.1f s = %.1f%% of one core\n", p / hz, ms / 1000, 100 * p / hz / (ms / 1000)
  printf "wine server: %.2f s = %.1f%% of one core\n", s / hz, 100 * s / hz / (ms / 1000)
}'
writes=$(grep -c 'call SetVariable' "$STUB_LOG" || true)
echo "movie variable writes so far: $writes"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
