# Installations from before the records were kept, whose transfer folder the older
# removal emptied but which is not "...\Velvinor\" itself: "C:\Games\MyVelvinor\",
# and "C:\Games.\Velvinor\" as an older transfer stored the path typed. The folder
# goes, and only then does the program say "удалено".
for typed in 'C:\Games\MyVelvinor\' 'C:\Games.\Velvinor\'; do
  installed_in "$typed" no-record
  real=$(winepath -u "$typed")
  uninstall_saying "$typed" "" "Приложение Вельвинор удалено"
  expect_removed "$typed"
  [ ! -e "$real" ] || fail "$real stays"
  log "ok: no record, transfer folder $typed: it went"
done
