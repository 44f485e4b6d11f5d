# Too little free space on the chosen drive: a 5 MB drive E: (a small tmpfs, which
# needs a machine that lets the test mount one) gets the notice with its free space,
# nothing is written meanwhile, and choosing a folder on drive C: instead tests that
# drive and transfers there (into C:\Games\Velvinor\, the identifier added).
reset_machine
small="$VEL_WINE_RUN/small"
if mountpoint -q "$small"; then umount -l "$small"; fi
mkdir -p "$small"
mount -t tmpfs -o size=5m velvinor-small "$small" 2>/dev/null || skip "cannot mount a small tmpfs here"
trap 'rm -f "$WINEPREFIX/dosdevices/e:"; umount -l "$small"' EXIT
ln -sfn "$small" "$WINEPREFIX/dosdevices/e:"
disc="$VEL_WINE_RUN/disc"
machine_with_test_disc "$disc"
start_from_disc
drive <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Да
expect-text "Файлы программы будут записываться в директорию:"
set-text 0 "E:\\Games"
click Продолжить
expect-text "На диске всего 5 Мб, нужно примерно 220 Мб"
DRIVER
! reg_key_exists 'HKLM\Software\Trelkon' || fail "the product key was written before the space was found"
[ -z "$(ls -A "$small")" ] || fail "something was written to drive E:: $(ls -A "$small")"
log "ok: drive E: was refused with its free space"
drive <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
set-text 0 "C:\\Games"
click Продолжить
wait-exit 60000
DRIVER
wait_exit "$PROGRAM_PID" 30000 || fail "the disc run did not end"
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000 1000
click OK
wait-window VelvinorForm Вельвинор 30000
DRIVER
folder='C:\Games\Velvinor\'
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath "$folder"
expect_reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe' @ "${folder}Velvinor.exe"
expected="group \"Velvinor\"
item \"Вельвинор\" \"${folder}Velvinor.exe\""
[ "$(progman_state)" = "$expected" ] || fail "Program Manager holds:
$(progman_state)"
cmp -s "$disc/Velvinor.exe" "$C/Games/Velvinor/Velvinor.exe" || fail "the program was not copied to C:\\Games\\Velvinor"
[ -z "$(ls -A "$small")" ] || fail "something was written to drive E:: $(ls -A "$small")"
wait_for_text "$STUB_LOG" 'put Movie "C:\\Games\\Velvinor\\SWF\\Game.swf"' 15000 || fail "the game did not start from the copy"
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"
log "ok: drive C: was tested anew and the transfer went there"
