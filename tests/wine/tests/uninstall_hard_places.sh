# Installations that could not be removed. Each is installed from the disc and then
# uninstalled by the real program; each ends with the program's files gone, the
# registry entries gone and "Приложение Вельвинор удалено".
# 1. Through a folder link: "C:\Games" is a link to another place (a games folder
#    moved to another disk), and the game goes into "C:\Games\Velvinor"; the link
#    and the user's game behind it stay.
# 2. A user's temp folder with a letter outside code page 1251 ("Jürgen"): the script
#    goes where the command interpreter can read and start it. (This prefix keeps the
#    machine's language, whose code page may hold the letter: then the temp folder
#    itself serves. The table test of the script's place covers code page 1251.)
# 3. A user's temp folder with a pair of percent signs ("100%USERNAME%"), which the
#    command interpreter would expand: the same.
# 4. An installation folder with such a pair: the copy from the disc still starts and
#    registers itself (its start is not expanded), and it is removed again.
reset_machine
disc="$VEL_WINE_RUN/disc"
machine_with_test_disc "$disc"
moved="$VEL_WINE_RUN/moved-games"
rm -rf "$moved" "$C/users/Jürgen" "$C/users/100%USERNAME%" "$C/Games 100%USERNAME%"

# TEMP and TMP of the programs started from now on (a Windows path; "" for Wine's own).
use_temp() {
  if [ -n "$1" ]; then
    regedit_apply <<REG
[HKEY_CURRENT_USER\\Environment]
"TEMP"="$1"
"TMP"="$1"
REG
  else
    regedit_apply <<'REG'
[HKEY_CURRENT_USER\Environment]
"TEMP"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,00,45,00,25,00,5c,00,54,00,65,00,6d,00,70,00,00,00
"TMP"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,00,45,00,25,00,5c,00,54,00,65,00,6d,00,70,00,00,00
REG
  fi
}
# Wine's own temp folder again however the test ends: the tests after it share the prefix.
trap 'use_temp ""' EXIT

# Installs from the disc into the folder typed (a Windows path, escaped for the driver).
install_into() {
  start_from_disc
  drive <<DRIVER
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Да
expect-text "Файлы программы будут записываться в директорию:"
set-text 0 "$1"
click Продолжить
wait-exit 60000
DRIVER
  wait_exit "$PROGRAM_PID" 60000 || fail "the disc run did not end"
  wait_for_game_after_intro_report
  movie_command quit
  wait_gone 'Velvinor\.exe' 20000 || fail "the game did not end on quit"
}

# Uninstalls the copy in FOLDER (a Unix path) and waits until the folder is gone.
uninstall_from() {
  start_program "$1/Velvinor.exe" -u
  confirm_uninstall
  wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"
  expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
  local deadline=$(($(now_ms) + 30000))
  while [ -e "$1" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script did not remove $1: $(find "$1")"
    sleep 0.1
  done
}

# 1. Through a folder link.
mkdir -p "$moved/Chess"
echo chess >"$moved/Chess/chess.exe"
ln -s "$moved" "$C/Games"
install_into 'C:\\Games'
[ -f "$moved/Velvinor/Velvinor.exe" ] || fail "the copy did not go through the link"
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath 'C:\Games\Velvinor\'
uninstall_from "$C/Games/Velvinor"
[ -L "$C/Games" ] && [ "$(cat "$moved/Chess/chess.exe")" = chess ] || fail "the link or the user's game behind it went"
log "ok: installed through a folder link and removed through it; the link and the user's game stay"
rm -f "$C/Games"

# Each case on a fresh machine: what one leaves running (its script) does not touch the next.
next_case() {
  reset_machine
  machine_with_test_disc "$disc"
}

# 2. and 3. Temp folders the script cannot use as they are named.
for temp in 'Jürgen' '100%USERNAME%'; do
  next_case
  mkdir -p "$C/users/$temp/Temp"
  install_into 'C:\\Program Files\\Trelkon\\Velvinor'
  use_temp "C:\\\\users\\\\$temp\\\\Temp"
  uninstall_from "$C/Program Files/Trelkon/Velvinor"
  use_temp ''
  log "ok: with the temp folder C:\\users\\$temp\\Temp the uninstallation removed everything"
done

# 4. An installation folder with a percent pair.
next_case
install_into 'C:\\Games 100%USERNAME%'
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath 'C:\Games 100%USERNAME%\Velvinor\'
expect_registered 'C:\Games 100%USERNAME%\Velvinor\'
log "ok: the copy in a folder named with %USERNAME% started and registered itself"
uninstall_from "$C/Games 100%USERNAME%/Velvinor"
log "ok: and it was removed again"
