# A copy started from a hard-disk folder with no product key registers itself where
# it is: the App Paths and uninstall keys, the product key with its marker cleared,
# and through Program Manager the group "Velvinor" with the item "Вельвинор"; then
# it starts itself again and that copy starts the game. The prefix reports Windows 7,
# so the warning for Vista and later comes first and is answered Yes.
reset_machine
register_movie_stub "$VEL_FLASHSTUB"
start_progman
game="$C/Games/Velvinor"
install_game_copy "$game"
use_movie_stub_files
start_program "$game/Velvinor.exe"
first=$PROGRAM_PID
drive <<'DRIVER'
wait-window #32770 Confirm 20000
expect-text "ВАЖНАЯ ИНФОРМАЦИЯ\r\n\r\nДля установки программы в операционной системе Windows Vista\r\nнеобходимо запустить ее от имени администратора. Для этого\r\nнужно открыть папку CD дисковода (без автозапуска), правой кнопкой\r\nмыши открыть контекстное меню программы Velvinor.exe,\r\nи выбрать пункт меню \"Запуск от имени администратора\" (даже если\r\nвы вошли в Windows с правами администратора). При этом Вам потребуется ввести\r\nпароль одного из администраторов Вашего компьютера.\r\nВ противном случае установка программы будет выполнена некорректно.\r\n\r\nЕсли вы выполнили запуск программы правой кнопкой от имени администратора,\r\nнажмите \"ДА\". В противном случае нажмите \"НЕТ\"."
click Yes
wait-exit 30000
DRIVER
wait_exit "$first" 30000 || fail "the registering copy did not end"

app='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe'
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velvinor.exe'
product='HKLM\Software\Trelkon\Velvinor'
reg_query "$app"
reg_query "$app" /v Path | grep -qF 'C:\Games\Velvinor\' || fail "App Paths has no Path"
reg_query "$uninstall" /v UninstallString | grep -qF '"C:\Games\Velvinor\Velvinor.exe" -u' || fail "no UninstallString"
expect_reg "$app" @ 'C:\Games\Velvinor\Velvinor.exe'
expect_reg "$app" Path 'C:\Games\Velvinor\'
expect_reg "$uninstall" DisplayName 'Вельвинор'
expect_reg "$uninstall" UninstallString '"C:\Games\Velvinor\Velvinor.exe" -u'
expect_reg "$product" @ ''

expected='group "Velvinor"
item "Вельвинор" "C:\Games\Velvinor\Velvinor.exe"'
[ "$(progman_state)" = "$expected" ] || fail "Program Manager holds:
$(progman_state)
not:
$expected"
log "ok: Program Manager holds the group and its item"

# The copy started again is an ordinary start: the game's window and movie.
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000 1000
click OK
wait-window VelvinorForm Вельвинор 30000
DRIVER
wait_for_text "$STUB_LOG" 'put Movie "C:\\Games\\Velvinor\\SWF\\Game.swf"' 15000 || fail "the relaunched copy did not load the movie"
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"
log "ok: registered in place, and the relaunched copy started the game"
