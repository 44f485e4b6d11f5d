#!/usr/bin/env bash
# A family's journey with the demo disc, under Wine: the disc goes in as a CD-ROM
# drive, the game is copied to the hard disk, registers itself and its group, plays
# its intro and its movie (volume, a clip, the parents' document, a saved setting,
# quit); then the uninstall registered with the system removes it again. Every stage
# is told in plain words and leaves a screenshot.
#
#   journey.sh [--step] [--display] [--system NAME] OUTDIR
#     --step     waits for Enter before each stage (and before each of the movie's
#                commands: the movie holds until then)
#     --display  runs on this desktop's display ($DISPLAY) instead of a virtual one
#     --system   the Windows the family has (default: Wine's own, 32-bit, the
#                machine's language): russian (Windows 7 in Russian, the game put
#                into "C:\Мои игры\"), win64 (Windows 10, 64-bit), xp (Windows XP)
#
# OUTDIR receives the screenshots (NN-stage.png), the logs, and the Wine prefix while
# the journey runs (removed at its end, kept when it fails). Needs VEL_EXE, VEL_DRIVER, VEL_PROGMAN,
# VEL_FLASHSTUB (built programs) and VEL_DISC (scripts/make-disc.sh with that
# Velvinor.exe). scripts/journey.sh builds all of them and calls this.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

step=0
usage() { sed -n '8,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
out=""
system=""
while [ $# -gt 0 ]; do
  case "$1" in
    --step) step=1; shift ;;
    --display)
      [ -n "${DISPLAY:-}" ] || { echo "journey: --display needs DISPLAY" >&2; exit 2; }
      export VEL_WINE_DISPLAY=$DISPLAY; shift ;;
    --system) [ $# -ge 2 ] || usage; system=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "journey: unknown option $1" >&2; usage ;;
    *) [ -z "$out" ] || usage; out=$1; shift ;;
  esac
done
[ -n "$out" ] || usage
for v in VEL_EXE VEL_DRIVER VEL_PROGMAN VEL_FLASHSTUB VEL_DISC; do
  [ -e "${!v:-}" ] || { echo "journey: $v does not name a built file or folder" >&2; exit 2; }
done
cmp -s "$VEL_EXE" "$VEL_DISC/Velvinor.exe" || { echo "journey: the disc does not hold $VEL_EXE" >&2; exit 2; }
# The 32-bit product, or the 64-bit build where the machine runs no 32-bit code
# (scripts/wine-build.sh): a 64-bit program has a 64-bit system's expectations.
# shellcheck source=loader.sh
source "$here/loader.sh"
bits=$(pe_bits "$VEL_EXE") || { echo "journey: $VEL_EXE is no Windows program for x86 or x64" >&2; exit 2; }
if [ "$bits" = 64 ]; then build="the 64-bit build of Velvinor.exe"; else build="Velvinor.exe for 32-bit Windows"; fi
not_run=''

# What the system changes in the journey: the buttons of its own message boxes, the
# folder it proposes, whether it warns about Vista's administrator rights.
yes=Yes ok=OK warning=1 typed=''
proposed='C:\Program Files\Trelkon\Velvinor'
case $system in
  '') ;;
  russian)
    locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8' ||
      { echo "journey: the locale ru_RU.UTF-8 is missing (scripts/install-deps.sh windows makes it)" >&2; exit 2; }
    export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 VEL_WINVER=win7
    yes=Да ok=ОК typed='C:\Мои игры\' ;;
  win64)
    export VEL_WINEARCH=win64 VEL_WINVER=win10
    # A 32-bit program is offered the folder for 32-bit programs.
    [ "$bits" = 64 ] || proposed='C:\Program Files (x86)\Trelkon\Velvinor' ;;
  xp)
    export VEL_WINVER=winxp; warning=0
    if [ "$bits" = 64 ]; then
      if [ "$(VEL_WINE64=0 "$here/../../scripts/wine-build.sh")" = win64 ]; then why="this machine runs no 32-bit x86 code"
      else why="this run tests the 64-bit build (VEL_WINE64=1)"; fi
      not_run="Windows XP is a 32-bit system and runs only the 32-bit program, but $why"
    fi ;;
  *) echo "journey: unknown system $system" >&2; usage ;;
esac
started_ms=$(date +%s%3N)

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/*.png "$out/driver.log" "$out/result.txt"
# The row's result in one line, for the run's summary of the systems
# (tests/wine/matrix.sh): which build it ran and how it ended, or why it did not run.
if [ -n "$not_run" ]; then
  echo "not run: $not_run" | tee "$out/result.txt"
  exit 77
fi
export VEL_WINE_RUN="$out/wine"
# shellcheck source=harness.sh
source "$here/harness.sh" ''

shots=0
stage_name="getting ready"
say() { printf '\n== %s\n' "$*"; }
tell() { printf '   %s\n' "$*"; }
# Keeps a picture of the whole screen as the next NN-NAME.png.
screenshot() {
  shots=$((shots + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$out" "$shots" "$1")
  "$IMPORT" -display "$DISPLAY" -window root "$file" 2>/dev/null || fail "could not take a screenshot"
  tell "screenshot: $(basename "$file")"
}
# In step mode, waits for the user.
pause() {
  [ "$step" -eq 1 ] || return 0
  printf '   [step] %s - press Enter to go on ' "$1"
  read -r _ || fail "no answer (standard input ended)"
  [ -t 0 ] || echo
}
# The same once the screen shows a picture (not all black, as while a video or a
# window is still being opened), within 15 s.
screenshot_shown() {
  local file="$out/shot.png" deadline=$(($(now_ms) + 15000))
  while :; do
    "$IMPORT" -display "$DISPLAY" -window root "$file" 2>/dev/null || fail "could not take a screenshot"
    [ "$("$CONVERT" "$file" -format '%[fx:mean>0.03]' info:)" = 1 ] && break
    [ "$(now_ms)" -lt "$deadline" ] || break
    sleep 0.2
  done
  rm -f "$file"
  screenshot "$1"
}
# The same once the picture moves (a video plays: two looks 200 ms apart differ),
# within 15 s.
screenshot_moving() {
  local a="$out/shot-a.png" b="$out/shot-b.png" deadline=$(($(now_ms) + 15000)) diff
  "$IMPORT" -display "$DISPLAY" -window root "$a" 2>/dev/null || fail "could not take a screenshot"
  while :; do
    sleep 0.2
    "$IMPORT" -display "$DISPLAY" -window root "$b" 2>/dev/null || fail "could not take a screenshot"
    diff=$("$COMPARE" -metric AE "$a" "$b" null: 2>&1 || true)
    [ "${diff%% *}" -gt 1000 ] 2>/dev/null && break
    [ "$(now_ms)" -lt "$deadline" ] || break
    mv "$b" "$a"
  done
  rm -f "$a" "$b"
  screenshot "$1"
}
# The same once a new window has painted itself: Wine draws a message box's text
# and buttons a moment after the box shows. Two looks 300 ms apart must agree.
screenshot_settled() {
  local a="$out/shot-a.png" b="$out/shot-b.png" deadline=$(($(now_ms) + 5000)) diff
  sleep 0.3
  "$IMPORT" -display "$DISPLAY" -window root "$a" 2>/dev/null || fail "could not take a screenshot"
  while :; do
    sleep 0.3
    "$IMPORT" -display "$DISPLAY" -window root "$b" 2>/dev/null || fail "could not take a screenshot"
    diff=$("$COMPARE" -metric AE "$a" "$b" null: 2>&1 || true)
    [ "${diff%% *}" = 0 ] && break
    [ "$(now_ms)" -lt "$deadline" ] || break
    mv "$b" "$a"
  done
  rm -f "$a" "$b"
  screenshot "$1"
}
stage() {
  stage_name=$1
  say "$1"
}
# A text in the window driver's double quotes.
q() {
  local s=${1//\\/\\\\}
  printf '"%s"' "${s//\"/\\\"}"
}
# The files of drive C: outside the system's and the users' own folders.
drive_c_files() {
  find "$C" -mindepth 1 \( -path "$C/windows" -o -path "$C/users" -o -path "$C/ProgramData" -o -path "$TOOLS" \) -prune \
    -o -print | sort
}

# Debian's own ImageMagick, whatever else is called so on the PATH.
IMPORT=$(command -v import-im6.q16 || command -v import) || { echo "journey: ImageMagick's import is missing" >&2; exit 2; }
CONVERT=$(command -v convert-im6.q16 || command -v convert)
COMPARE=$(command -v compare-im6.q16 || command -v compare)

finish() {
  local status=$?
  set +e
  if [ $status -ne 0 ]; then
    [ -n "${DISPLAY:-}" ] && screenshot failed >/dev/null 2>&1
    if [ -s "$out/driver.log" ]; then printf '\nThe window driver last said:\n'; tail -n 8 "$out/driver.log"; fi
    printf '\nThe journey stopped at: %s (see %s)\n' "$stage_name" "$out"
  fi
  [ -n "${PROGMAN_PID:-}" ] && kill "$PROGMAN_PID" 2>/dev/null
  cleanup_run
  if [ $status -eq 0 ]; then
    echo "passed: $build, $WINEARCH prefix" >"$out/result.txt"
  else
    echo "FAILED at \"$stage_name\": $build, $WINEARCH prefix" >"$out/result.txt"
  fi
  # A failed journey's prefix stays for a look.
  [ $status -ne 0 ] || rm -rf "$WINEPREFIX"
  exit $status
}
trap finish EXIT

stage "Getting a fresh Windows (Wine) ready"
setup_run >"$out/setup.log" 2>&1 || { cat "$out/setup.log"; fail "the Wine prefix could not be made"; }
tell "display $DISPLAY, prefix $WINEPREFIX"
tell "the program: $build, in a $([ "$WINEARCH" = win64 ] && echo 64 || echo 32)-bit prefix"
# A virtual display has no window manager: Wine places the windows itself, rather
# than waiting for one whenever a window is hidden.
if [ -z "${VEL_WINE_DISPLAY:-}" ]; then
  regedit_apply <<'REG'
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
fi
add_cdrom_drive d "$VEL_DISC"
tell "the demo disc is in CD-ROM drive D: ($(winepath -w "$VEL_DISC"))"
start_progman
tell "Program Manager (the project's own DDE server) is running"
register_movie_stub "$VEL_FLASHSTUB"
use_movie_stub_files
tell "the stand-in movie control is registered; it plays Game.swf's frames"
# The movie holds before each of its commands until the journey lets it go: on a
# loaded machine the movie's own timeline would otherwise run ahead of the checks
# (the viewer shown and the game quit before the window driver has looked).
gate="$VEL_WINE_RUN/gate"
mkdir -p "$gate"
VELVINOR_STUB_GATE=$(winepath -w "$gate")
export VELVINOR_STUB_GATE
case $system in
  russian) tell "a Russian Windows 7: ANSI code page 1251, OEM code page 866 (LANG=$LANG)" ;;
  win64)
    if [ "$bits" = 64 ]; then
      tell "a 64-bit Windows 10: the 64-bit program sees the system's own registry view;"
      tell "the movie control is registered for 64-bit programs (system32\\regsvr32)"
    else tell "a 64-bit Windows 10: the 32-bit program sees the 32-bit registry view"; fi ;;
  xp) tell "Windows XP" ;;
esac
# The family's own files: another game in the folder they will choose, and a
# c:\qq.bat of their own; the uninstall must touch neither.
if [ -n "$typed" ]; then
  mine="$(winepath -u "$typed" 2>/dev/null)"
  mkdir -p "$mine/Другая игра"
  echo 'сохранение' >"$mine/Другая игра/save.txt"
fi
echo 'echo my own' >"$C/qq.bat"
before=$(drive_c_files)
if [ -n "$typed" ]; then folder="${typed}Velvinor\\"; else folder="$proposed\\"; fi
product=$(winepath -u "$folder" 2>/dev/null)
product=${product%/}

stage "Starting Velvinor.exe from the disc"
pause "start D:\\Velvinor.exe"
start_program_at 'D:\Velvinor.exe'
disc_run=$PROGRAM_PID
if [ $warning -eq 1 ]; then
  drive >>"$out/driver.log" <<'DRIVER'
wait-window #32770 Confirm 30000
DRIVER
  tell "Windows Vista or later: the program first warns that it must run as administrator"
  screenshot_settled vista-warning
  pause "answer $yes"
  # The system's own message box, with the system's buttons ("Да" on a Russian one).
  drive >>"$out/driver.log" <<DRIVER
wait-window #32770 Confirm 5000
click $(q "$yes")
DRIVER
  no_warning=''
else
  tell "Windows XP: no warning about the administrator rights of Vista"
  no_warning='forbid #32770 Confirm'
fi
drive >>"$out/driver.log" <<DRIVER
$no_warning
wait-window VelvinorForm "Установка программы \\"Вельвинор\\"" 30000
expect-text "Перенести файлы программы на жесткий диск?\r\nОни займут примерно 220 Мб, но программа сможет работать быстрее"
DRIVER
stage "The installer offers to copy the game to the hard disk"
screenshot installer-question
pause "accept the transfer"
drive >>"$out/driver.log" <<DRIVER
wait-window VelvinorForm "Установка программы \\"Вельвинор\\"" 5000
click Да
wait-window VelvinorForm "Установка программы \\"Вельвинор\\"" 30000
expect-text $(q "$proposed")
DRIVER
tell "it proposes the folder $proposed"
if [ -n "$typed" ]; then
  pause "type $typed into the folder field"
  drive >>"$out/driver.log" <<DRIVER
wait-window VelvinorForm "Установка программы \\"Вельвинор\\"" 5000
set-text 0 $(q "$typed")
expect-text $(q "$typed")
DRIVER
  tell "the family types $typed instead; the game goes into $folder"
fi
screenshot installer-folder
pause "accept the folder"
drive >>"$out/driver.log" <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Продолжить
wait-exit 120000
DRIVER
wait_exit "$disc_run" 60000 || fail "the disc run did not end"

stage "The disc was copied; the copy registers itself and starts the game"
n=0
while IFS= read -r -d '' f; do
  rel=${f#"$VEL_DISC"/}
  cmp -s "$f" "$product/$rel" || fail "$rel was not copied"
  n=$((n + 1))
done < <(find "$VEL_DISC" -type f -print0)
tell "$n files copied to $folder"
# The copy's run registers and relaunches; the relaunched copy plays the intro.
drive >>"$out/driver.log" <<'DRIVER'
wait-window VelvinorForm "" 60000
DRIVER
stage "The intro plays the two logo videos"
# Always on top: no other window above it, whatever the program shows meanwhile.
drive >>"$out/driver.log" <<'DRIVER'
wait-window VelvinorForm "" 30000
expect-above * *
DRIVER
shots=$((shots + 1))
intro_shot=$(printf '%s/%02d-intro.png' "$out" "$shots")
seen=$(intro_looks "$intro_shot") || exit 1
tell "screenshot: $(basename "$intro_shot") (the logo video's colour bars show; looks:$seen)"
pause "let the intro play"
# The movie is told that no video plays once the intro is over.
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "0"' 60000 || fail "the game's movie did not start after the intro"
expect_reg 'HKLM\Software\Trelkon\Velvinor' TransferPath "$folder" >/dev/null
expect_reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe' @ "${folder}Velvinor.exe" >/dev/null
uninstall=$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velvinor.exe' UninstallString) ||
  fail "no UninstallString was registered"
tell "registered: App Paths, TransferPath $folder, UninstallString \"$uninstall\""
if [ "$WINEARCH" = win64 ] && [ "$bits" = 64 ]; then
  # A 64-bit program's keys are in the system's own view, none in the 32-bit one.
  timeout 60 "$WINE" reg query 'HKLM\Software\Trelkon\Velvinor' /reg:64 >/dev/null 2>&1 ||
    fail "the product key is not in the 64-bit registry view"
  ! timeout 60 "$WINE" reg query 'HKLM\Software\Wow6432Node\Trelkon' /reg:64 >/dev/null 2>&1 ||
    fail "the product key is in the 32-bit registry view (Wow6432Node)"
  tell "the keys are in the 64-bit registry view, none in the 32-bit one (Software\\Wow6432Node)"
elif [ "$WINEARCH" = win64 ]; then
  # A 64-bit Windows keeps a 32-bit program's keys in its 32-bit view.
  timeout 60 wine reg query 'HKLM\Software\Wow6432Node\Trelkon\Velvinor' /reg:64 >/dev/null 2>&1 ||
    fail "the product key is not in the 32-bit registry view (Wow6432Node)"
  ! timeout 60 wine reg query 'HKLM\Software\Trelkon' /reg:64 >/dev/null 2>&1 ||
    fail "the product key is in the 64-bit registry view"
  tell "the keys are in the 32-bit registry view (Software\\Wow6432Node), none in the 64-bit one"
fi
expected="group \"Velvinor\"
item \"Вельвинор\" \"${folder}Velvinor.exe\""
[ "$(progman_state)" = "$expected" ] || fail "Program Manager holds:
$(progman_state)"
tell "Program Manager has the group \"Velvinor\" with the item \"Вельвинор\""

stage "The game runs its movie"
drive >>"$out/driver.log" <<'DRIVER'
wait-window VelvinorForm Вельвинор 30000
DRIVER
screenshot_shown game

# One of the movie's commands: the movie holds before it until the journey lets it go
# (in step mode, once the user goes on), then the journey waits until it is raised.
movie_raises() {
  local command=$1 args=$2
  wait_for_file "$gate/waiting" 60000 || fail "the movie did not come to \"$command\""
  if [ "$step" -eq 1 ]; then
    tell "the movie is at frame $(head -n 1 "$gate/waiting") and about to raise: $(tail -n +2 "$gate/waiting" | tr '\t\n' ' ;')"
    pause "let the movie go on"
  fi
  : >"$gate/go"
  wait_for_text "$STUB_LOG" "fscommand \"$command\" \"$args\"" 60000 || fail "the movie did not raise \"$command\""
}

movie_raises setvolume 50
tell "setvolume 50: the master volume is set to 50 % (Wine here has no mixer device: nothing to change)"

movie_raises plaympg lesson1
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "1"' 15000 || fail "the movie was not told that the clip plays"
tell "plaympg lesson1: the clip copied from the disc plays in the movie's place"
screenshot_moving clip
wait_for_text "$STUB_LOG" 'call SetVariable "_root.mpg" "0"' 60000 || fail "the clip did not end"
tell "the clip ended; its temporary copy is deleted"

movie_raises execute parents.rtf
drive >>"$out/driver.log" <<'DRIVER'
wait-window VelvinorForm Родителям 30000
DRIVER
tell "execute parents.rtf: the parents' document opens in the viewer"
screenshot_shown viewer

movie_raises saveLevel 2
deadline=$(($(now_ms) + 15000))
until [ "$(reg_value 'HKLM\Software\Trelkon\Velvinor' Level)" = 2 ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the setting Level was not stored"
  sleep 0.2
done
tell "saveLevel 2: the setting Level=2 is kept in the registry for the next start"

movie_raises quit ''
# The game is the copy's relaunch: the journey knows it by its name only.
wait_gone 'Velvinor\.exe' 30000 || fail "the game did not end on quit"
tell "quit: the game ended"

stage "Uninstalling through the registered UninstallString"
tell "running: $uninstall"
pause "start the uninstall"
# The registered command is the quoted program path and " -u".
program=${uninstall% -u}
program=${program#\"}
program=${program%\"}
start_program_at "$program" -u
drive >>"$out/driver.log" <<'DRIVER'
wait-window #32770 "Удаление программы Вельвинор" 30000
DRIVER
screenshot_settled uninstall-question
pause "confirm the uninstall"
drive >>"$out/driver.log" <<DRIVER
wait-window #32770 "Удаление программы Вельвинор" 5000
click $(q "$yes")
wait-window #32770 Вельвинор 30000
expect-text "Приложение Вельвинор удалено"
DRIVER
screenshot_settled uninstalled
pause "close the message"
drive >>"$out/driver.log" <<DRIVER
wait-window #32770 Вельвинор 5000
click $(q "$ok")
wait-exit 30000
DRIVER
wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"

stage "What is left after the uninstall"
expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
tell "no registry keys: Software\\Trelkon, App Paths, uninstall"
[ -z "$(progman_state)" ] || fail "Program Manager still holds:
$(progman_state)"
tell "no Program Manager group"
# The script runs hidden under Wine's cmd from the user's temp folder; its process
# names it on its command line.
scripts() { find "$C/users" -name 'Velvinor-uninstall-*.bat' 2>/dev/null; }
script=$(scripts | head -n 1)
[ -n "$script" ] || fail "no uninstall script in the user's temp folder"
tell "the uninstall script: $(winepath -w "$script" 2>/dev/null)"
t0=$(now_ms)
deadline=$((t0 + 180000))  # its loops wait a second a try, 60 tries each
seen=0 files_ms='' script_ms=''
while :; do
  running=0
  [ -n "$(prefix_pids 'Velvinor-uninstall-[0-9]+\.bat')" ] && running=1 seen=1
  [ -n "$files_ms" ] || [ "$(drive_c_files)" != "$before" ] || files_ms=$(($(now_ms) - t0))
  [ -n "$script_ms" ] || [ -n "$(scripts)" ] || script_ms=$(($(now_ms) - t0))
  [ -n "$files_ms" ] && [ -n "$script_ms" ] && [ $running -eq 0 ] && break
  [ "$(now_ms)" -lt "$deadline" ] ||
    fail "the uninstall script did not finish; drive C: differs from before the journey:
$(diff <(echo "$before") <(drive_c_files) | head -n 8)
scripts: $(scripts)"
  sleep 0.1
done
[ $seen -eq 1 ] && seen=yes || seen=no
tell "the script removed the program file and its folders (in ${files_ms} ms): drive C: holds what it held"
tell "before the journey, the family's own files included; the script itself was gone after ${script_ms} ms"
tell "and no longer running after $(($(now_ms) - t0)) ms (seen running: $seen)"
[ "$(cat "$C/qq.bat")" = 'echo my own' ] || fail "the family's own c:\\qq.bat was changed"

stage "The journey is complete"
tell "$shots screenshots in $out; the journey${system:+ on $system} took $((($(now_ms) - started_ms) / 1000)) s"
