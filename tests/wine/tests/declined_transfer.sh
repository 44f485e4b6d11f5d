# Declining the transfer registers the program where it is, on the disc: the
# registry and the group item point at the CD-ROM drive, and the relaunched copy
# plays the game from there. A clip the movie asks for is copied from the disc to
# the default product folder, played from the copy, and the copy deleted at its end;
# a clip name that climbs out of that folder touches no file of the family's.
# The uninstall command registered for the disc then removes the registry entries,
# the group and the folder the clip left, writes no script, and leaves the disc alone.
reset_machine
disc="$VEL_WINE_RUN/disc"
make_test_disc "$disc" lesson1.mpg frame.bmp
add_cdrom_drive d "$disc"
start_progman
register_movie_stub "$VEL_FLASHSTUB"
use_movie_stub_files
start_from_disc
first=$PROGRAM_PID
drive <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Нет
wait-exit 30000
DRIVER
wait_exit "$first" 30000 || fail "the disc run did not end"

# The relaunched copy on the disc starts the game (no intro videos: their report
# first); Esc skips the black intro, so that the movie shows and "_root.mpg" reads
# "0" until a clip takes its place.
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000 1000
click OK
wait-window VelvinorForm Вельвинор 30000
key 27
DRIVER
wait_for_text "$STUB_LOG" 'EscIntro=-1' 15000 || fail "Esc did not start the movie"
expect_reg 'HKLM\Software\Trelkon\Velvinor' @ ''
! reg_value 'HKLM\Software\Trelkon\Velvinor' TransferPath >/dev/null || fail "a TransferPath was recorded"
expect_registered 'D:\'
expect_reg "$UNINSTALL_KEY" DisplayName 'Вельвинор'
wait_for_text "$STUB_LOG" 'put Movie "D:\\SWF\\Game.swf"' 15000 || fail "the game did not load the movie from the disc"
[ ! -e "$C/Program Files/Trelkon" ] || fail "files were written to the hard disk: $(find "$C/Program Files/Trelkon")"
log "ok: registered on the disc, and the game started from it"

# A clip on the disc is played from a copy on the hard disk.
copy="$C/Program Files/Trelkon/Velvinor/lesson1.mpg"
: >"$STUB_LOG"
movie_command plaympg lesson1
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "1"' 15000 || fail "the clip did not take the movie's place"
cmp -s "$disc/SWF/lesson1.mpg" "$copy" || fail "no copy of the clip while it plays: $(ls -la "$(dirname "$copy")" 2>&1)"
log "ok: the clip plays from C:\\Program Files\\Trelkon\\Velvinor\\lesson1.mpg"
: >"$STUB_LOG"
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "0"' 15000 || fail "the clip did not end"
[ ! -e "$copy" ] || fail "the copy of the clip is still there after its end"
[ -d "$C/Program Files/Trelkon/Velvinor" ] || fail "the copy folder went too"
log "ok: the copy was deleted when the clip ended"

# Clip names that climb out of the copy folder reach no file of the family's: the
# lesson kept at the place a disc clip mirrors onto C:, and a holiday video.
mkdir -p "$C/SWF" "$C/users/Kid"
printf 'the family lesson' >"$C/SWF/lesson1.mpg"
printf 'the family holiday' >"$C/users/Kid/holiday.mpg"
: >"$STUB_LOG"
movie_command plaympg '..\..\..\SWF\lesson1'
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "1"' 15000 || fail "the disc's clip did not play"
: >"$STUB_LOG"
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "0"' 15000 || fail "the clip did not end"
movie_command plaympg '..\..\..\users\Kid\holiday'
drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
expect-text "Ошибка 2 вызова медиаплейера Windows\r\nДля входа в игру закройте сообщение и нажмите пробел"
click OK
wait-gone 15000
DRIVER
[ "$(cat "$C/SWF/lesson1.mpg")" = 'the family lesson' ] || fail "the family's C:\SWF\lesson1.mpg was overwritten or deleted"
[ "$(cat "$C/users/Kid/holiday.mpg")" = 'the family holiday' ] || fail "the family's holiday video was touched"
log "ok: clip names that climb out of the copy folder left the family's files as they were"
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"

# The registered uninstall command.
start_program_at 'D:\Velvinor.exe' -u
confirm_uninstall 'Вы действительно хотите полностью удалить программу и все связанные с ней файлы?\r\n(Будут удалены файлы из директории C:\\Program Files\\Trelkon\\Velvinor)'
wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"
expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
[ -z "$(progman_state)" ] || fail "Program Manager holds:
$(progman_state)"
[ ! -e "$C/Program Files/Trelkon" ] || fail "the maker folder is still there: $(find "$C/Program Files/Trelkon")"
script=$(find "$C/users" -name 'Velvinor-uninstall-*.bat')
[ -z "$script" ] || fail "a script was written: $(cat "$script")"
for f in Velvinor.exe install.bmp SWF/Game.swf SWF/lesson1.mpg SWF/frame.bmp; do
  [ -f "$disc/$f" ] || fail "the uninstallation removed $f from the disc"
done
log "ok: uninstalled from the disc: registry, group and the clip's folder gone, no script, the disc untouched"
