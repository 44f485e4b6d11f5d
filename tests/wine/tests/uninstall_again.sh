# Another program holds the program file open without delete sharing: the real
# uninstallation says so instead of "удалено", keeps the entries and the file, and
# the script it started stops; once the file is let go, "-u" again removes
# everything. (A registry key that refuses deletion cannot be made under Wine,
# which grants an administrator every key: the scenarios cover those.)
GAME='C:\Games\Velvinor\'
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

installed_in "$GAME"
uninstall_saying "$GAME" "hold-file \"${GAME//\\/\\\\}Velvinor.exe\"" \
  "Приложение Вельвинор удалено не полностью.\r\nНе удалось удалить файлы, открытые другими программами:\r\n${GAME//\\/\\\\}Velvinor.exe\r\nЗакройте программы, которые могут их использовать, и повторите удаление."
wait_for_scripts_gone
expect_kept "$GAME"
log "ok: the program file held by another program: the entries and the file stay"
uninstall_saying "$GAME" "" "Приложение Вельвинор удалено"
expect_removed "$GAME"
log "ok: let go, run again: everything went"

