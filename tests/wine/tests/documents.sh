# The parents' documents in the real rich-text view: a 600 Kb document of one picture
# opens; one whose groups nest 2,000 deep (4 Kb, which crashes the control) and one
# whose 33 levels are one too many are refused with the Russian message, and so is a
# file over 64 Mb; the game goes on after each and ends on quit. A one-paragraph
# document of 3,070 Kb (minutes in the view, the game frozen meanwhile) is refused
# too.
game="$C/Games/Velvinor"
machine_with_installed_game "$game"
most_kb=64  # the Windows view's bound on text
python3 - "$game/SWF" <<'PY'
import struct, sys
folder = sys.argv[1]
head = b"{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 "
width, height = 512, 200
row = width * 3
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, row * height, 2835, 2835, 0, 0)
pixels = bytes((x * 7 + y * 3) & 0xFF for y in range(height) for x in range(row))
pict = b"{\\pict\\dibitmap0\\picw%d\\pich%d\\picwgoal%d\\pichgoal%d " % (width, height, width * 15, height * 15)
open(folder + "/picture.rtf", "wb").write(head + b"For parents:\\par " + pict + (info + pixels).hex().encode() + b"}}")
open(folder + "/deep.rtf", "wb").write(head + b"{" * 2000 + b"x" + b"}" * 2000 + b"}")
open(folder + "/deeper.rtf", "wb").write(head + b"{" * 32 + b"x" + b"}" * 32 + b"}")
# One paragraph of plain words, 3,070 Kb (the viewer counts the whole file as text,
# but for a picture's data).
words = b"plain words of one paragraph "
size = 3070 * 1024 - len(b"{\\rtf1 }")
open(folder + "/long.rtf", "wb").write(b"{\\rtf1 " + (words * (size // len(words) + 1))[:size] + b"}")
PY
[ "$(stat -c %s "$game/SWF/picture.rtf")" -gt 600000 ] || fail "the picture document is under 600 Kb"
truncate -s 70M "$game/SWF/big.rtf"
use_movie_stub_files
start_game_past_intro "$game/Velvinor.exe"

asked=$(now_ms)
movie_command execute picture.rtf
drive <<'DRIVER' >"$VEL_WINE_RUN/documents-driver.log" || fail "the picture document did not open: $(cat "$VEL_WINE_RUN/documents-driver.log")"
wait-window VelvinorForm Родителям 60000
DRIVER
shown=$(sed -n 's/.* t=\([0-9]*\).*/\1/p' "$VEL_WINE_RUN/documents-driver.log" | tail -1)
log "ok: the 600 Kb document of one picture opens in the viewer in $((shown - asked)) ms (command to window, the stand-in's polling included)"

# refused DOCUMENT MESSAGE: the request is refused with the message, and the game runs on.
refused() {
  movie_command execute "$1"
  drive <<DRIVER || fail "$1 was not refused"
wait-window #32770 Вельвинор 30000
expect-text "$2"
click OK
wait-gone 5000
DRIVER
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the game ended after $1"
}
refused deep.rtf "Документ «deep.rtf» устроен слишком сложно для просмотра в программе: вложенность оформления 2001 (допустимо не более 32)."
refused deeper.rtf "Документ «deeper.rtf» устроен слишком сложно для просмотра в программе: вложенность оформления 33 (допустимо не более 32)."
log "ok: documents nested 2,001 and 33 deep are refused with the message"
refused big.rtf "Документ «big.rtf» слишком велик для просмотра в программе: 71680 Кб (допустимо не более 65536 Кб)."
log "ok: the 70 Mb document is refused with the message"
refused long.rtf "Документ «long.rtf» слишком велик для просмотра в программе: 3070 Кб текста (допустимо не более $most_kb Кб)."
log "ok: the one-paragraph document of 3,070 Kb is refused with the message"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"
[ "$EXIT_CODE" -eq 0 ] || fail "the program ended with code $EXIT_CODE"
log "ok: the program went on after the refusals and ended on quit"
