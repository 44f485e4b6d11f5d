# A first installation from the disc takes three runs. The disc run asks (after the
# warning for Vista and later), proposes the default product folder, copies the
# disc with the system's copy and starts the copy; the copy registers itself and its
# group and starts itself again; that run starts the game.
reset_machine
disc="$VEL_WINE_RUN/disc"
rm -rf "$disc"
install_game_copy "$disc"
make_install_bmp "$disc/install.bmp"
add_cdrom_drive d "$disc"
start_progman
register_movie_stub "$VEL_FLASHSTUB"
use_movie_stub_files
start_from_disc
accept_default_transfer
product="$C/Program Files/Trelkon/Velvinor"
for f in Velvinor.exe install.bmp SWF/Game.swf; do
  cmp -s "$disc/$f" "$product/$f" || fail "$f was not copied to the product folder"
done
log "ok: the disc was copied to C:\\Program Files\\Trelkon\\Velvinor"

# The copy registered itself and started the game. (The disc has no intro videos:
# the intro reports that it cannot open the first one, and the game goes on. The
# registering run shows that report too, for as long as its loop lasts: the box
# that stays is the game's.)
wait_for_game_after_intro_report
folder='C:\Program Files\Trelkon\Velvinor\'
expect_reg 'HKLM\Software\Trelkon\Velvinor' @ ''
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath "$folder"
expect_registered "$folder"
wait_for_text "$STUB_LOG" 'TransferPath=C:\\Program Files\\Trelkon\\Velvinor\\' 15000 ||
  fail "the game did not get TransferPath among its parameters"
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"
log "ok: transferred, registered, and the game started"
