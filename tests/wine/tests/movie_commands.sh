# The movie's window commands in the real program, with the stand-in control on a
# 1280 by 1024 screen: "minimize" minimises the application and the next ticks tell
# the movie so until the user restores it; "maximize" fits the movie to 4:3 and
# "normalize" centres it at 1024 by 768. A player older than version 7 is refused. A
# movie that refuses its variables gets one error box.
game="$C/Games/Velvinor"
machine_with_installed_game "$game"
use_movie_stub_files
start_game_past_intro "$game/Velvinor.exe"
wait_for_text "$STUB_LOG" 'call SetVariable "_root.minimized" "0"' 15000 || fail "no state ticks"
# The program's cursor handles (a handle is its process's own), for the cursor checks.
arrow=$(sed -n 's/^cursors arrow \([0-9]*\) wait \([0-9]*\)$/\1/p' "$STUB_LOG" | tail -n 1)
wait=$(sed -n 's/^cursors arrow \([0-9]*\) wait \([0-9]*\)$/\2/p' "$STUB_LOG" | tail -n 1)
[ -n "$arrow" ] && [ -n "$wait" ] || fail "the stand-in did not log its cursors"

movie_command minimize
wait_for_text "$STUB_LOG" 'call SetVariable "_root.minimized" "1"' 15000 || fail "minimising was not noticed"
: >"$STUB_LOG"
drive <<'DRIVER'
wait-window VelvinorForm Вельвинор 5000
restore
DRIVER
wait_for_text "$STUB_LOG" 'call SetVariable "_root.minimized" "0"' 15000 || fail "restoring was not noticed"
log "ok: minimise and restore reach the movie"

movie_command maximize
wait_for_text "$STUB_LOG" 'rects 0,32 1280x960' 15000 || fail "maximize did not fit the movie: $(grep rects "$STUB_LOG")"
movie_command normalize
wait_for_text "$STUB_LOG" 'rects 128,128 1024x768' 15000 || fail "normalize did not centre the movie"
log "ok: maximize and normalize place the movie"
# The hourglass the movie asks for shows over the movie itself (centred, 1024x768 at
# 128,128), not only over the window around it; "norm" brings the arrow back.
movie_command cursor wait
wait_for_text "$STUB_LOG" 'fscommand "cursor" "wait"' 15000 || fail "the cursor command was not raised"
drive <<DRIVER
cursor 640 512 $wait
cursor 60 60 $wait
DRIVER
movie_command cursor norm
wait_for_text "$STUB_LOG" 'fscommand "cursor" "norm"' 15000 || fail "the cursor command was not raised"
drive <<DRIVER
cursor 640 512 $arrow
DRIVER
log "ok: the hourglass shows over the movie and the arrow comes back"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"

# A player that reports version 6 is refused with the movie player message.
machine_with_installed_game "$game"
use_movie_stub_files
export VELVINOR_STUB_VERSION="WIN 6,0,79,0"
start_program "$game/Velvinor.exe"
drive <<'DRIVER'
forbid VelvinorForm Вельвинор
wait-window #32770 Вельвинор 30000
expect-text "Для работы программы требуется Adobe (Macromedia) Flash Player\r\nУстановите его с диска (файл install_flash_player_10_active_x.exe)"
click OK
wait-exit 15000
DRIVER
unset VELVINOR_STUB_VERSION
log "ok: version 6 is refused"

# A movie that refuses its variables: one error box, however many ticks fail while
# it is open (the box's own loop runs them), and none after it; the game goes on.
# (The other box is the report of the intro videos this machine lacks.)
machine_with_installed_game "$game"
use_movie_stub_files
export VELVINOR_STUB_FAIL=SetVariable
start_program "$game/Velvinor.exe"
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000 1000
expect-text "Stub failure of SetVariable"
wait-count #32770 Вельвинор 2 5000
DRIVER
sleep 2   # forty ticks with the box open
drive <<'DRIVER'
count #32770 Вельвинор 2
wait-window #32770 Вельвинор 1000
expect-text "Stub failure of SetVariable"
click OK
wait-gone 5000
wait-window #32770 Вельвинор 5000
click OK
wait-gone 5000
absent #32770 Вельвинор 2000
wait-window VelvinorForm Вельвинор 5000
key 27
DRIVER
wait_for_text "$STUB_LOG" 'EscIntro=-1' 15000 || fail "Esc did not start the movie"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
unset VELVINOR_STUB_FAIL
log "ok: a movie that refuses its variables got one error box, and the game went on"
