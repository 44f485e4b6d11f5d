# An intro video that cannot be opened is reported once the intro window is up: the
# error box is the black intro window's own and lies above it (the game copy has no
# logo videos).
reset_machine
start_progman
register_movie_stub "$VEL_FLASHSTUB"
game="$C/Games/Velvinor"
install_game_copy "$game"
mark_installed
use_movie_stub_files
start_program "$game/Velvinor.exe"
drive <<'DRIVER' || fail "the intro's error box is not the intro window's own"
wait-window #32770 Вельвинор 60000 1000
expect-owner VelvinorForm *
click OK
wait-gone 5000
DRIVER
log "ok: the intro's error box is owned by the black intro window and lies above it"
