# The installer dialog by keyboard (real keystrokes): Tab and Shift+Tab go through
# its visible controls in the tab order FolderEdit, OKButton, PathBtn, ShellTreeView,
# YesButton, NoButton, round; Enter presses the focused button; Esc is the close
# box (Cancel), which in the folder state ends with the notice, whose only button
# Enter presses.
reset_machine
disc="$VEL_WINE_RUN/disc"
make_test_disc "$disc"
add_cdrom_drive d "$disc"
start_progman
register_movie_stub "$VEL_FLASHSTUB"
use_movie_stub_files
start_from_disc
drive <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
press 9
expect-focus Button Да
press 9
expect-focus Button Нет
press 9
expect-focus Button Да
press 9 shift
expect-focus Button Нет
press 9 shift
expect-focus Button Да
press 13
expect-text "Файлы программы будут записываться в директорию:"
press 9
expect-focus Edit *
press 9
expect-focus Button Продолжить
press 9
expect-focus Button …
press 9
expect-focus Edit *
press 9 shift
expect-focus Button …
press 13
expect-focus Button …
press 9
expect-focus SysTreeView32 *
press 9
expect-focus Edit *
press 27
expect-text "Установка не завершена"
press 13
wait-exit 30000
DRIVER
wait_exit "$PROGRAM_PID" 30000 || fail "the disc run did not end"
[ ! -e "$C/Program Files/Trelkon" ] || fail "files were copied: $(find "$C/Program Files/Trelkon")"
log "ok: Tab, Shift+Tab, Enter and Esc in the installer dialog"
