# With the stand-in movie control registered, an ordinary start of an installed
# copy shows the borderless main window and plays the movie in it; the movie's
# "quit" ends the program. (The intro videos are missing here, so the intro window
# first reports that its video cannot be opened, as it does on any machine that
# cannot play them, and waits for the skip key.)
reset_machine
start_progman   # the system's Program Manager, which the program talks to at every start
register_movie_stub "$VEL_FLASHSTUB"
game="$C/Games/Velvinor"
install_game_copy "$game"
mark_installed
use_movie_stub_files
start_program "$game/Velvinor.exe"
# The intro window stays on top of every other window, and its error box above it:
# the box comes once the black intro window is up, and is that window's own.
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
expect-above * *
expect-owner VelvinorForm *
click OK
wait-window VelvinorForm "" 5000
expect-above * *
wait-window VelvinorForm Вельвинор 30000
DRIVER
grep -q 'put Movie "C:\\\\Games\\\\Velvinor\\\\SWF\\\\Game.swf"' "$STUB_LOG" || fail "the movie was not loaded: $(cat "$STUB_LOG")"
# Esc skips the intro: the movie starts again with EscIntro=-1 and is shown.
drive <<'DRIVER'
wait-window VelvinorForm Вельвинор 5000
key 27
DRIVER
wait_for_text "$STUB_LOG" 'EscIntro=-1' 15000 || fail "Esc did not start the movie: $(cat "$STUB_LOG")"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on the movie's quit"
log "ok: main window, movie loaded, Esc started it, quit ended the program"
