# A transfer that was accepted but never registered (the disc run copied the files,
# then the machine went down before the copy ran): started from the disc again, the
# program asks nothing and registers the copy in the transfer folder, which then
# starts the game (its record says the copy finished). Its uninstallation removes that copy and leaves the disc alone.
# A transfer whose program file never arrived leaves no half copy: the next start
# from the disc deletes what the transfer recorded and offers the installation again.
# A transfer pending, its record finished ("finished") or not ("").
pending() {
  regedit_apply_program <<'REG'
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor]
@="Transfering"
"TransferPath"="C:\\Games\\Velvinor\\"
REG
  regedit_apply_program <<REG
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor\Record]
$(reg_lines_value Transfer 'root C:\Games\Velvinor\' 'made C:\Games' 'made C:\Games\Velvinor' 'dir SWF' \
    'file Velvinor.exe' 'file SWF\Game.swf' ${1:+"$1"})
REG
}
installer_forbidden='forbid #32770 Confirm
forbid VelvinorForm "Установка программы \"Вельвинор\""'

reset_machine
disc="$VEL_WINE_RUN/disc"
machine_with_test_disc "$disc"
game="$C/Games/Velvinor"
install_game_copy "$game"
pending finished
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
# "Path" is the folder of the program that registered: the disc's.
expect_registered "$folder" 'D:\'
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

# The copy stopped before the program file arrived (the disc run was killed): its
# record never says it finished. The next start from the disc deletes the half copy
# as recorded, its folders too, and decides anew: the Vista warning on this system,
# then the offer to transfer; accepted, the installation completes and registers.
reset_machine
machine_with_test_disc "$disc"
mkdir -p "$game/SWF"
printf 'FWS' >"$game/SWF/Game.swf"
pending
start_program_at 'D:\Velvinor.exe'
drive <<'DRIVER'
wait-window #32770 Confirm 30000
click Yes
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 30000
expect-text "Перенести файлы программы на жесткий диск?\r\nОни займут примерно 220 Мб, но программа сможет работать быстрее"
DRIVER
[ ! -e "$C/Games" ] || fail "the half copy is still there: $(find "$C/Games")"
expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
log "ok: the half copy and the pending transfer are gone, and the installation is offered again"
accept_default_transfer
wait_for_game_after_intro_report
expect_registered 'C:\Program Files\Trelkon\Velvinor\'
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"
log "ok: installed again from the disc, registered, and the game started"
