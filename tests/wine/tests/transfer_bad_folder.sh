# A transfer folder that cannot be created (here a path under a plain file) ends
# the disc run with its notice and the "Выход" button: nothing is registered,
# copied or grouped, and the plain file is left as it was.
reset_machine
disc="$VEL_WINE_RUN/disc"
make_test_disc "$disc"
add_cdrom_drive d "$disc"
start_progman
register_movie_stub "$VEL_FLASHSTUB"   # without a movie control no run gets as far as the installer
mkdir -p "$C/Games"
echo notes >"$C/Games/notes.txt"
start_from_disc
drive <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Да
expect-text "Файлы программы будут записываться в директорию:"
set-text 0 "C:\\Games\\notes.txt"
click Продолжить
expect-text "Невозможно создать директорию C:\\Games\\notes.txt\\Velvinor\\. Установка не завершена"
click Выход
wait-exit 30000
DRIVER
wait_exit "$PROGRAM_PID" 30000 || fail "the disc run did not end"
expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
[ -z "$(progman_state)" ] || fail "Program Manager holds:
$(progman_state)"
[ "$(cat "$C/Games/notes.txt")" = notes ] || fail "the plain file was changed"
[ "$(ls -A "$C/Games")" = notes.txt ] || fail "something was written beside it: $(ls -A "$C/Games")"
[ ! -e "$C/Program Files/Trelkon" ] || fail "the default folder was made"
log "ok: the folder could not be made; the run ended with its notice and changed nothing"
