# An installed copy started with "-u" removes itself: after the confirmation its
# registry keys and its Program Manager group go, the completion message shows, and
# the uninstall script it leaves behind removes the program file and its folders
# once the program has ended. (The movie control is registered: without one, even
# this run ends at the movie player message, as every start does.)
reset_machine
register_movie_stub "$VEL_FLASHSTUB"
product="$C/Program Files/Trelkon/Velvinor"
install_game_copy "$product"
folder='C:\Program Files\Trelkon\Velvinor\'
escaped=${folder//\\/\\\\}
regedit_apply <<REG
[HKEY_LOCAL_MACHINE\\Software\\Trelkon\\Velvinor]
@=""
"TransferPath"="$escaped"
"ini"=""
[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe]
@="${escaped}Velvinor.exe"
"Path"="$escaped"
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvinor.exe]
"DisplayName"="Вельвинор"
"UninstallString"="${escaped}Velvinor.exe -u"
REG
printf 'group "Velvinor"\nitem "Вельвинор" "%sVelvinor.exe"\ngroup "Other"\n' "$folder" >"$VEL_WINE_RUN/progman.txt"
cp "$VEL_WINE_RUN/progman.txt" "$VEL_WINE_RUN/progman.before"
state="$VEL_WINE_RUN/progman.txt"
wine "$TOOLS/progman_server.exe" "$(winepath -w "$state")" "$(winepath -w "$VEL_WINE_RUN/progman.log")" \
  >>"$VEL_WINE_RUN/progman.out" 2>&1 </dev/null &
wait_for_file "$state.ready" 30000 || fail "the test Program Manager did not start"

start_program_at "${folder}Velvinor.exe" -U
drive <<'DRIVER'
wait-window #32770 "Удаление программы Вельвинор" 30000
click Yes
wait-window #32770 Вельвинор 30000
expect-text "Приложение Вельвинор удалено"
click OK
wait-exit 30000
DRIVER
wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"

for key in 'HKLM\Software\Trelkon' 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe' \
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velvinor.exe'; do
  ! reg_key_exists "$key" || fail "$key is still there"
done
log "ok: the registry entries are gone"
[ "$(progman_state)" = 'group "Other"' ] || fail "Program Manager holds:
$(progman_state)"
grep -q '^request Velvinor -> 1 lines ' "$VEL_WINE_RUN/progman.log" || fail "the group was not asked for after the deletions"
log "ok: the item and then the empty group were deleted; the other group stays"

deadline=$(($(now_ms) + 60000))
while [ -e "$C/Program Files/Trelkon" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script did not remove the folders: $(find "$C/Program Files/Trelkon")"
  sleep 0.2
done
log "ok: the script removed the program file and its folders"
