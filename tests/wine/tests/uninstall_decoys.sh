# The uninstallation deletes what the program made and nothing else. Installed from
# the disc, the game's folder then gets the user's things: a note, a drawing in its
# SWF folder, and a symbolic link to the child's saves; the movie tries to point
# "TransferPath" at a folder named like the product in the user's documents (the
# program keeps its own value); a "C:\Program.exe" is planted. Uninstalled through
# the registered command as the system runs it, the real program asks, its files go,
# and every decoy survives.
# Then an older installation whose registered folder holds a command: no script
# carries it, and the folder it names survives.
reset_machine
public="$C/users/Public"
product="$C/Program Files/Trelkon/Velvinor"
rm -rf "$C/Decoy" "$public/Documents/Velvinor" "$public/Saves" "$C/run-uninstall.bat"
mkdir -p "$C/Decoy" "$public/Documents/Velvinor" "$public/Saves"
echo keep >"$C/Decoy/keep.txt"
echo letter >"$public/Documents/Velvinor/letter.doc"
echo save >"$public/Saves/save1.dat"

disc="$VEL_WINE_RUN/disc"
machine_with_test_disc "$disc"
start_from_disc
accept_default_transfer
wait_for_game_after_intro_report
log "ok: installed from the disc; the game runs"

echo note >"$product/my notes.txt"
echo drawing >"$product/SWF/drawing.bmp"
ln -s "$public/Saves" "$product/Saves"
movie_command saveTransferPath 'C:\users\Public\Documents\Velvinor\'
wait_for_text "$STUB_LOG" 'saveTransferPath' 15000 || fail "the movie did not raise its save command"
movie_command quit
wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath 'C:\Program Files\Trelkon\Velvinor\'

# The registered command, run as the system runs it: the command interpreter takes
# an unquoted "C:\Program Files\..." for "C:\Program" with arguments.
uninstall=$(reg_value "$UNINSTALL_KEY" UninstallString) || fail "no UninstallString"
cp "$VEL_EXE" "$C/Program.exe"
printf '%s\r\n' "$uninstall" >"$C/run-uninstall.bat"
(cd "$C" && exec "$WINE" cmd /c 'C:\run-uninstall.bat' >>"$VEL_WINE_RUN/program.out" 2>&1 </dev/null) &
runner=$!
confirm_uninstall
[ -z "$(prefix_pids 'Program\.exe')" ] || fail "the planted C:\\Program.exe ran"
wait_gone 'Velvinor\.exe' 30000 || fail "the uninstalling program did not end"
wait "$runner" || true
deadline=$(($(now_ms) + 30000))
while [ -e "$product/Velvinor.exe" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script did not delete the program file"
  sleep 0.1
done
sleep 3  # the script's folder lines follow the program file at once
log "ok: the registered command ran the program, not C:\\Program.exe; the program file went"

for f in install.bmp SWF/Game.swf; do
  [ ! -e "$product/$f" ] || fail "the program's $f is still there"
done
kept=0
for f in "$product/my notes.txt" "$product/SWF/drawing.bmp" "$public/Saves/save1.dat" \
  "$public/Documents/Velvinor/letter.doc" "$C/Decoy/keep.txt" "$C/Program.exe"; do
  [ -f "$f" ] || fail "the user's $f went"
  kept=$((kept + 1))
done
[ -L "$product/Saves" ] || fail "the user's link in the program folder went"
kept=$((kept + 1))
log "ok: the program's files went; $kept of $kept decoys survived (note, drawing, link and the save behind it, letter, C:\\Decoy, C:\\Program.exe)"

# An older installation (no record) in the default folder whose registered folder
# was edited into a command that would wipe C:\Decoy from a script line.
rm -f "$C/Program.exe"
install_game_copy "$C/Games/Velvinor"
regedit_apply_program <<'REG'
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor]
@=""
"TransferPath"="C:\\Program Files\\Trelkon\\Velvinor\\"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe]
@="C:\\Games\\Velvinor\\Velvinor.exe"
"Path"="C:\\x\" & rd /s /q \"C:\\Decoy\" & rem "
REG
start_program "$C/Games/Velvinor/Velvinor.exe" -u
confirm_uninstall
wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"
sleep 5  # a script, if one were written, runs its lines at once
[ -f "$C/Decoy/keep.txt" ] || fail "C:\\Decoy was wiped"
[ -f "$C/Games/Velvinor/Velvinor.exe" ] || fail "a program file no record names went"
log "ok: a registered folder holding a command reached no script; C:\\Decoy survived"
rm -rf "$C/Decoy" "$public/Documents/Velvinor" "$public/Saves" "$C/run-uninstall.bat" "$C/Games"
