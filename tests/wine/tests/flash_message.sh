# With no movie control registered, an ordinary start shows the message that the
# movie player is needed, captioned with the application's title, and the program
# ends without ever showing its main window.
reset_machine
start_progman   # the system's Program Manager, which the program talks to at every start
game="$C/Games/Velvinor"
install_game_copy "$game"
mark_installed   # an ordinary start, whatever the start decision does
start_program "$game/Velvinor.exe"
drive <<'DRIVER'
forbid VelvinorForm *
wait-window #32770 Вельвинор 30000
expect-title Вельвинор
expect-text "Для работы программы требуется Adobe (Macromedia) Flash Player\r\nУстановите его с диска (файл install_flash_player_10_active_x.exe)"
count #32770 * 1
click OK
wait-exit 15000
DRIVER
wait_exit "$PROGRAM_PID" 15000 || fail "the program did not end after the message"
[ "$EXIT_CODE" -eq 0 ] || fail "the program ended with code $EXIT_CODE"
log "ok: the message, no main window, the program ended"
