# A backdrop "frame.bmp" that is there but is no bitmap is reported as the file
# error a missing one gives (the standard error box), and the movie stays on
# screen, instead of a clip played over an empty backdrop.
reset_machine
start_progman
register_movie_stub "$VEL_FLASHSTUB"
game="$C/Games/Velvinor"
install_game_copy "$game"
cp "$VEL_DISC/SWF/lesson1.mpg" "$game/SWF/"
printf 'GIF89a: a picture of another kind' >"$game/SWF/frame.bmp"
mark_installed
use_movie_stub_files
start_game_past_intro "$game/Velvinor.exe"
: >"$STUB_LOG"
movie_command plaympg lesson1
drive <<'DRIVER'
wait-window #32770 Вельвинор 15000
expect-text "Cannot open file \"C:\\Games\\Velvinor\\SWF\\frame.bmp\". Bitmap image is not valid"
click OK
DRIVER
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "0"' 15000 || fail "the movie was not told that no clip plays"
if grep -q '^hide$' "$STUB_LOG"; then fail "the movie was hidden: $(cat "$STUB_LOG")"; fi
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
log "ok: a backdrop that is no bitmap is reported and the movie stays"
