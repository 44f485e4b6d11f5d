# Whatever keeps the real uninstallation from finishing, it can be run again and
# then finishes, and it never says "удалено" while the program's files stay.
# 1. Each registry entry refusing deletion in turn (the App Paths key, the uninstall
#    key, the product key; a DACL denies everyone the deletion): the message names
#    the key, every entry is there again, the script stops, the program file stays;
#    with the rights back, "-u" again removes everything.
# 2. Another program holds the program file open without delete sharing: the
#    message names the file, the entries stay; once it lets go, "-u" again removes
#    everything.
GAME='C:\Games\Velvinor\'
# A key left refusing would keep the next tests' machine from being reset.
allow_all() {
  local k
  for k in 'Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe' \
    'SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvinor.exe' 'Software\\Trelkon\\Velvinor'; do
    wine "$TOOLS/driver.exe" <<<"allow-key-delete \"$k\"" >/dev/null 2>&1 || true
  done
}
trap allow_all EXIT

# Everything of the installation in $1 (a Windows folder) is still there.
expect_kept() {
  local folder=$1
  expect_registered "$folder"
  reg_key_exists "$MAKER_KEY\\Velvinor\\Record" || fail "the record is gone"
  [ -f "$(winepath -u "${folder}Velvinor.exe")" ] || fail "the program file is gone"
}

# The script, told to stop, ends without deleting anything: waits until it is gone.
wait_for_scripts_gone() {
  local deadline=$(($(now_ms) + 60000))
  while [ -n "$(find "$C/users" -name 'Velvinor-uninstall-*.bat' 2>/dev/null)" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script is still there after 60 s"
    sleep 0.2
  done
}

for key in "$APP_PATHS_KEY" "$UNINSTALL_KEY" "$MAKER_KEY\\Velvinor"; do
  installed_in "$GAME"
  quoted=${key//\\/\\\\}
  drive <<<"deny-key-delete \"${quoted#HKLM\\\\}\""
  uninstall_saying "$GAME" "" "Приложение Вельвинор удалено не полностью: не удалось удалить его запись в реестре $quoted. Повторите удаление от имени администратора."
  wait_for_scripts_gone
  expect_kept "$GAME"
  log "ok: $key refused: every entry and the program file are there"
  drive <<<"allow-key-delete \"${quoted#HKLM\\\\}\""
  uninstall_saying "$GAME" "" "Приложение Вельвинор удалено"
  expect_removed "$GAME"
  log "ok: run again with the rights, everything went"
done

installed_in "$GAME"
uninstall_saying "$GAME" "hold-file \"${GAME//\\/\\\\}Velvinor.exe\"" \
  "Приложение Вельвинор удалено не полностью.\r\nНе удалось удалить файлы, открытые другими программами:\r\n${GAME//\\/\\\\}Velvinor.exe\r\nЗакройте программы, которые могут их использовать, и повторите удаление."
wait_for_scripts_gone
expect_kept "$GAME"
log "ok: the program file held by another program: the entries and the file stay"
uninstall_saying "$GAME" "" "Приложение Вельвинор удалено"
expect_removed "$GAME"
log "ok: let go, run again: everything went"

