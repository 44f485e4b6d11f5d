# An installed copy started with "-u" removes itself: after the confirmation its
# registry keys and its Program Manager group go, the completion message shows, the
# program deletes the files its record names, and the uninstall script it leaves
# behind deletes the program file and removes the folders the transfer made once
# the program has ended. Another product of the same maker keeps the maker's
# key and folder. (The movie control is registered: without one, even this run
# ends at the movie player message, as every start does.)
installed_copy() {
  reset_machine
  register_movie_stub "$VEL_FLASHSTUB"
  install_game_copy "$C/Program Files/Trelkon/Velvinor"
  # What the transfer made, as its record says.
  regedit_apply_program <<REG
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor\Record]
$(reg_lines_value Transfer 'root C:\Program Files\Trelkon\Velvinor\' 'made C:\Program Files\Trelkon' \
    'made C:\Program Files\Trelkon\Velvinor' 'dir SWF' 'file Velvinor.exe' 'file SWF\Game.swf')
REG
  regedit_apply_program <<'REG'
[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor]
@=""
"TransferPath"="C:\\Program Files\\Trelkon\\Velvinor\\"
"ini"=""
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe]
@="C:\\Program Files\\Trelkon\\Velvinor\\Velvinor.exe"
"Path"="C:\\Program Files\\Trelkon\\Velvinor\\"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velvinor.exe]
"DisplayName"="Вельвинор"
"UninstallString"="\"C:\\Program Files\\Trelkon\\Velvinor\\Velvinor.exe\" -u"
REG
  printf 'group "Velvinor"\nitem "Вельвинор" "C:\\Program Files\\Trelkon\\Velvinor\\Velvinor.exe"\ngroup "Other"\n' \
    >"$VEL_WINE_RUN/progman.txt"
  local state="$VEL_WINE_RUN/progman.txt"
  wine "$TOOLS/progman_server.exe" "$(winepath -w "$state")" "$(winepath -w "$VEL_WINE_RUN/progman.log")" \
    >>"$VEL_WINE_RUN/progman.out" 2>&1 </dev/null &
  wait_for_file "$state.ready" 30000 || fail "the test Program Manager did not start"
}

uninstall() {
  start_program_at 'C:\Program Files\Trelkon\Velvinor\Velvinor.exe' -U
  confirm_uninstall
  wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"
  expect_no_keys "$MAKER_KEY\\Velvinor" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
  [ "$(progman_state)" = 'group "Other"' ] || fail "Program Manager holds:
$(progman_state)"
  grep -q '^request Velvinor -> 1 lines ' "$VEL_WINE_RUN/progman.log" || fail "the group was not asked for after the deletions"
  log "ok: the registry entries, the item and then the empty group are gone; the other group stays"
}

wait_until_gone() {
  local path=$1 deadline=$(($(now_ms) + 30000))
  while [ -e "$path" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script did not remove $path: $(find "$path")"
    sleep 0.1
  done
}

# Another product of the maker: its key and folder stay, only the product's go.
installed_copy
regedit_apply_program <<'REG'
[HKEY_LOCAL_MACHINE\Software\Trelkon\Other]
"Level"="7"
REG
mkdir -p "$C/Program Files/Trelkon/Other"
echo other >"$C/Program Files/Trelkon/Other/other.exe"
uninstall
expect_reg 'HKLM\Software\Trelkon\Other' Level 7
wait_until_gone "$C/Program Files/Trelkon/Velvinor"
[ "$(cat "$C/Program Files/Trelkon/Other/other.exe")" = other ] || fail "the other product's file went"
[ "$(ls -A "$C/Program Files/Trelkon")" = Other ] || fail "the maker folder holds: $(ls -A "$C/Program Files/Trelkon")"
log "ok: the other product's key and folder stay; the product's folder went"

# The only product of the maker: everything goes, the maker's key and folder too.
# The user's own c:\qq.bat stays as it is.
installed_copy
echo 'echo mine' >"$C/qq.bat"
uninstall
! reg_key_exists 'HKLM\Software\Trelkon' || fail "the maker key is still there"
script=$(find "$C/users" -name 'Velvinor-uninstall-*.bat')
[ -n "$script" ] || fail "no uninstall script was written in the user's temp folder"
log "ok: the script is $(winepath -w "$script")"
wait_until_gone "$C/Program Files/Trelkon"
log "ok: the script removed the program file and its folders"

# Wine's cmd keeps the running batch file open, so the script's delete of itself
# stays pending (the file still shows) until the script ends: it runs its loop's 60
# tries, a second apart, and the file goes when the script ends.
t0=$(now_ms)
deadline=$((t0 + 90000))
while [ -n "$(prefix_pids 'Velvinor-uninstall-[0-9]+\.bat|ping')" ] || [ -e "$script" ]; do
  [ "$(now_ms)" -lt "$deadline" ] ||
    fail "the script still runs after 90 s: $(ps -o pid,etime,args -p "$(prefix_pids 'Velvinor-uninstall-[0-9]+\.bat|ping' | paste -sd,)")"
  sleep 0.2
done
log "ok: the script ended and is gone ($(($(now_ms) - t0)) ms after the folders)"
[ "$(cat "$C/qq.bat")" = 'echo mine' ] || fail "the user's own c:\\qq.bat was changed"
log "ok: the user's own c:\\qq.bat is untouched"
