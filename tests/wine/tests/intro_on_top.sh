# The intro window stays above every other window while the logo videos play: the
# Win32 z-order says so, and the screen shows the logo video's colour bars where it
# stands, nothing else.
reset_machine
start_progman
register_movie_stub "$VEL_FLASHSTUB"
game="$C/Games/Velvinor"
install_game_copy "$game"
cp "$VEL_DISC/SWF/logo_deve.avi" "$VEL_DISC/SWF/logo_trelkon.avi" "$game/SWF/"
mark_installed
use_movie_stub_files
start_program "$game/Velvinor.exe"
drive <<'DRIVER'
wait-window VelvinorForm "" 30000
expect-above * *
DRIVER
seen=$(intro_looks "$VEL_WINE_RUN/intro.png") || exit 1
log "ok: the intro window is on top and shows the logo video; looks:$seen"
