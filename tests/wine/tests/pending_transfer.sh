# A transfer that was accepted but never registered (the disc run copied the files,
# then the machine went down before the copy ran): started from the disc again, the
# program asks nothing and registers the copy in the transfer folder, which then
# starts the game. Its uninstallation removes that copy and leaves the disc alone.
# A transfer whose copy never arrived only clears the marker: from then on the
# program starts the game from the disc.
pending() {
  regedit_apply <<'REG'
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor]
@="Transfering"
"TransferPath"="C:\\Games\\Velvinor\\"
REG
}
installer_forbidden='forbid #32770 Confirm
forbid VelvinorForm "Установка программы \"Вельвинор\""'

reset_machine
disc="$VEL_WINE_RUN/disc"
make_test_disc "$disc"
add_cdrom_drive d "$disc"
start_progman
register_movie_stub "$VEL_FLASHSTUB"
use_movie_stub_files
game="$C/Games/Velvinor"
install_game_copy "$game"
pending
start_program_at 'D:\Velvinor.exe'
drive <<DRIVER
$installer_forbidden
wait-window #32770 Вельвинор 30000 1000
click OK
wait-window VelvinorForm Вельвинор 30000
DRIVER
folder='C:\Games\Velvinor\'
expect_reg 'HKLM\Software\Trelkon\Velvinor' @ ''
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath "$folder"
expect_registered "$folder"
wait_for_text "$STUB_LOG" 'put Movie "C:\\Games\\Velvinor\\SWF\\Game.swf"' 15000 ||
  fail "the game did not start from the transfer folder"
log "ok: the pending copy was registered and started"
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"

start_program "$game/Velvinor.exe" -u
drive <<'DRIVER'
wait-window #32770 "Удаление программы Вельвинор" 30000
expect-text "Вы действительно хотите полностью удалить программу и все связанные с ней файлы?\r\n(Будут удалены файлы из директории C:\\Games\\Velvinor\\)"
click Yes
wait-window #32770 Вельвинор 30000
click OK
wait-exit 30000
DRIVER
deadline=$(($(now_ms) + 30000))
while [ -e "$game" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script did not remove the copy: $(find "$game")"
  sleep 0.1
done
[ -f "$disc/Velvinor.exe" ] || fail "the uninstallation deleted the program on the disc"
log "ok: the uninstallation removed the copy and left the disc alone"

# The copy never arrived: the marker is cleared, nothing registered.
reset_machine
make_test_disc "$disc"
add_cdrom_drive d "$disc"
start_progman
register_movie_stub "$VEL_FLASHSTUB"
use_movie_stub_files
pending
start_program_at 'D:\Velvinor.exe'
# It ends by itself, with no message to answer.
wait_exit "$PROGRAM_PID" 30000 || fail "the registration without a copy did not end"
expect_reg 'HKLM\Software\Trelkon\Velvinor' @ ''
expect_no_keys "$APP_PATHS_KEY" "$UNINSTALL_KEY"
[ -z "$(progman_state)" ] || fail "Program Manager holds:
$(progman_state)"
log "ok: without a copy the marker was cleared and nothing registered"
start_program_at 'D:\Velvinor.exe'
drive <<DRIVER
$installer_forbidden
wait-window #32770 Вельвинор 30000 1000
click OK
wait-window VelvinorForm Вельвинор 30000
DRIVER
wait_for_text "$STUB_LOG" 'put Movie "D:\\SWF\\Game.swf"' 15000 || fail "the game did not start from the disc"
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the game did not end on quit"
log "ok: the next start from the disc is the game"
