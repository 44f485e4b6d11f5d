# A clip request that no device can open while a start-up error box is up, before
# start-up has created the notice window: the real program hands the clip to the
# shell (which cannot find it and says so) instead of faulting on the missing
# window, and goes on to the game.
game="$C/Games/Velvinor"
machine_with_installed_game "$game"
# A setting that is no text: the movie start inside the main window's creation fails
# with the standard error box, before the other windows exist.
regedit_apply_program <<'REG'
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor]
"Count"=dword:00000001
REG
use_movie_stub_files
start_program "$game/Velvinor.exe"
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
expect-text "Invalid data type for 'Count'"
DRIVER
movie_command plaympg missing
# The shell's own answer for the missing clip comes in a second box, over the first.
drive <<'DRIVER'
wait-count #32770 Вельвинор 2 30000
DRIVER
kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended on the clip request"
log "ok: the clip request during the start-up error box reached the shell's player"
drive <<'DRIVER'
wait-window #32770 Вельвинор 5000
click OK
wait-count #32770 Вельвинор 1 20000
wait-window #32770 Вельвинор 5000
click OK
DRIVER
# The intro's own box (this copy has no logo videos), then the movie, whose start
# meets the same setting again.
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
click OK
wait-window VelvinorForm Вельвинор 30000
key 27
wait-window #32770 Вельвинор 30000
expect-text "Invalid data type for 'Count'"
click OK
DRIVER
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
log "ok: the program went on and ended on quit"
