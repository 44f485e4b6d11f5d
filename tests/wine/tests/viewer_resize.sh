# The document viewer is the user's to move and size: after a resize by its frame
# the rich-text view fills the new client area, and the next document request
# brings the viewer back to the centre at 700 by 500 (screen 1280 by 1024).
reset_machine
start_progman
register_movie_stub "$VEL_FLASHSTUB"
game="$C/Games/Velvinor"
install_game_copy "$game"
cp "$VEL_DISC/SWF/parents.rtf" "$game/SWF/"
mark_installed
use_movie_stub_files
start_game_past_intro "$game/Velvinor.exe"
movie_command execute parents.rtf
drive <<'DRIVER'
wait-window VelvinorForm Родителям 15000
expect-rect 290 262 700 500
expect-filled
place 100 80 900 650
expect-rect 100 80 900 650
expect-filled
DRIVER
movie_command execute parents.rtf
wait_for_text "$STUB_LOG" 'fscommand "execute" "parents.rtf"' 15000 || fail "the second request was not raised"
drive <<'DRIVER'
wait-window VelvinorForm Родителям 15000
expect-rect 290 262 700 500
expect-filled
DRIVER
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
log "ok: a resized viewer keeps its view filled and comes back centred at 700x500"
