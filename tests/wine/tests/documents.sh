# The parents' documents in the real rich-text view: a document at the viewer's
# bound (512 Kb of dense rich text) opens, and the time it takes is measured; a larger one
# (50 Mb, which once took the 32-bit process's memory inside the control) is
# refused with the Russian message, and the program goes on.
game="$C/Games/Velvinor"
machine_with_installed_game "$game"
python3 - "$game/SWF/bound.rtf" <<'PY'
import sys
head = b"{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 "
line = b"\\par \\b Parents\\b0 : a paragraph of the guide, with some \\i emphasis\\i0  and plain words after it."
body = bytearray(head)
while len(body) + len(line) + 1 <= 512 * 1024:
    body += line
body += b" " * (512 * 1024 - 1 - len(body)) + b"}"
open(sys.argv[1], "wb").write(body)
PY
[ "$(stat -c %s "$game/SWF/bound.rtf")" = 524288 ] || fail "the bound document is not 512 Kb"
truncate -s 50M "$game/SWF/big.rtf"
use_movie_stub_files
start_game_past_intro "$game/Velvinor.exe"

asked=$(now_ms)
movie_command execute bound.rtf
drive <<'DRIVER' >"$VEL_WINE_RUN/documents-driver.log" || fail "the 512 Kb document did not open: $(cat "$VEL_WINE_RUN/documents-driver.log")"
wait-window VelvinorForm Родителям 60000
DRIVER
shown=$(sed -n 's/.* t=\([0-9]*\).*/\1/p' "$VEL_WINE_RUN/documents-driver.log" | tail -1)
log "ok: the 512 Kb document opens in the viewer in $((shown - asked)) ms (command to window, the stand-in's polling included)"

movie_command execute big.rtf
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
expect-text "Документ «big.rtf» слишком большой для просмотра в программе: 50 Мб, а можно не больше 512 Кб."
click OK
wait-gone 5000
DRIVER
log "ok: the 50 Mb document is refused with the message"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
log "ok: the program went on after the refusal and ended on quit"
