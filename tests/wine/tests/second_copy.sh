# An installed copy (its App Paths key exists) runs once: a second start ends at
# once, showing nothing, while the first goes on. A copy that is not installed takes
# no such guard. Without a movie control each running copy waits in its movie player
# message, which is enough to keep it running.
reset_machine
start_progman   # the system's Program Manager, which the program talks to at every start
game="$C/Games/Velvinor"
install_game_copy "$game"
mark_installed 'C:\Games\Velvinor\Velvinor.exe'

start_program "$game/Velvinor.exe"
first=$PROGRAM_PID
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
DRIVER
start_program "$game/Velvinor.exe"
wait_exit "$PROGRAM_PID" 20000 || fail "the second copy did not end"
[ "$EXIT_CODE" -eq 0 ] || fail "the second copy ended with code $EXIT_CODE"
kill -0 "$first" 2>/dev/null || fail "the first copy ended too"
drive <<'DRIVER'
count #32770 Вельвинор 1
count VelvinorForm * 0
wait-window #32770 Вельвинор 1000
click OK
wait-exit 15000
DRIVER
wait_exit "$first" 15000 || fail "the first copy did not end"
log "ok: the second installed copy ended at once; the first ran on"

# Not installed: no guard, two copies run side by side.
reset_machine
start_progman
install_game_copy "$game"
mark_installed
start_program "$game/Velvinor.exe"
one=$PROGRAM_PID
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
DRIVER
start_program "$game/Velvinor.exe"
two=$PROGRAM_PID
drive <<'DRIVER'
wait-count #32770 Вельвинор 2 30000
DRIVER
kill -0 "$one" 2>/dev/null && kill -0 "$two" 2>/dev/null || fail "a copy that is not installed ended"
log "ok: two copies that are not installed run side by side"

# The game running (with the movie control) and minimised: a second start ends
# without a window of its own and leaves the running game as it was, minimised.
reset_machine
start_progman
register_movie_stub "$VEL_FLASHSTUB"
install_game_copy "$game"
mark_installed 'C:\Games\Velvinor\Velvinor.exe'
use_movie_stub_files
start_game_past_intro "$game/Velvinor.exe"
first=$PROGRAM_PID
movie_command minimize
wait_for_text "$STUB_LOG" 'call SetVariable "_root.minimized" "1"' 15000 || fail "the game did not minimise"
: >"$STUB_LOG"
start_program "$game/Velvinor.exe"
wait_exit "$PROGRAM_PID" 20000 || fail "the second copy did not end"
[ "$EXIT_CODE" -eq 0 ] || fail "the second copy ended with code $EXIT_CODE"
# The running game's ticks go on (twenty a second) and still say minimised.
: >"$STUB_LOG"
wait_for_text "$STUB_LOG" 'call SetVariable "_root.minimized" "1"' 15000 || fail "the running game stopped writing its state"
sleep 1
! grep -q 'call SetVariable "_root.minimized" "0"' "$STUB_LOG" || fail "the second start restored the running game"
drive <<'DRIVER'
count VelvinorForm Вельвинор 1
DRIVER
kill -0 "$first" 2>/dev/null || fail "the first copy ended"
movie_command quit
wait_exit "$first" 20000 || fail "the game did not end on quit"
log "ok: a second start ended and left the running game minimised"
