#!/usr/bin/env bash
# The Wine test harness. One fresh prefix (32-bit for the 32-bit product, 64-bit for
# the 64-bit build) and one virtual display per test run: `harness.sh setup` makes
# them (CTest's wine.setup), every test uses them, and `harness.sh cleanup` ends the
# prefix's processes and the display (wine.cleanup).
# Tests are tests/wine/tests/NAME.sh, run by run-test.sh, which sources this file.
#
# Environment (set by CTest, see CMakeLists.txt): VEL_WINE_RUN, the run folder
# (prefix, display, logs); VEL_EXE, VEL_DRIVER, VEL_PROGMAN, VEL_FLASHSTUB, the
# built Velvinor.exe, driver.exe, progman_server.exe and flashstub.dll; VEL_DISC, the
# demo disc made by scripts/make-disc.sh (a CD-ROM drive: add_cdrom_drive d "$VEL_DISC").
#
# Waiting is polling with a deadline (the driver polls every 10 ms), never a fixed
# sleep.

set -euo pipefail

: "${VEL_WINE_RUN:?VEL_WINE_RUN must name the run folder}"
# The system can be chosen (the journey does, per row of its matrix):
#   VEL_WINEARCH  win32 or win64: a 64-bit Windows, on which the 32-bit program sees
#                 the 32-bit registry view and system folder (syswow64); by default
#                 the program's own kind
#   VEL_WINVER    the Windows version the prefix reports (winxp, win7, win10; Wine's
#                 own when unset)
# and the language is Wine's process environment (LANG, LC_ALL).
# The program may be the 32-bit product or the 64-bit build of the same sources
# (scripts/wine-build.sh chooses): a 64-bit one runs in a 64-bit prefix under the
# 64-bit loader (loader.sh), and sees the system's native registry view.
: "${VEL_EXE:?VEL_EXE must name the built Velvinor.exe}"
# shellcheck source=loader.sh
source "$(dirname "${BASH_SOURCE[0]}")/loader.sh"
use_wine_for "$VEL_EXE" || exit 2
export WINEPREFIX="$VEL_WINE_RUN/prefix" WINEARCH=${VEL_WINEARCH:-$PROGRAM_WINEARCH} WINEDEBUG=-all
if [ "$PROGRAM_BITS" = 64 ] && [ "$WINEARCH" != win64 ]; then
  echo "a 64-bit Velvinor.exe needs a 64-bit prefix (VEL_WINEARCH=win64), not $WINEARCH" >&2
  exit 2
fi
# The system tools the program finds: the registry tools there see its keys.
# Wine's own settings (its drives) are in the system's native view: in a 64-bit
# prefix only the 64-bit loader's regedit writes there.
if [ "$PROGRAM_BITS" = 64 ]; then
  SYS32='C:\windows\system32' NATIVE_WINE=$WINE PROGRAM_REGEDIT=regedit
elif [ "$WINEARCH" = win64 ]; then
  SYS32='C:\windows\syswow64' NATIVE_WINE=/usr/lib/wine/wine64 PROGRAM_REGEDIT='C:\windows\syswow64\regedit.exe'
else
  SYS32='C:\windows\system32' NATIVE_WINE=wine PROGRAM_REGEDIT=regedit
fi
# No installer dialogs for Wine's .NET and HTML engines while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Unless a test run asks for another, the prefix's own language stays the machine's
# (not Russian): the program must show its Russian texts right on any system.
C="$WINEPREFIX/drive_c"
TOOLS="$C/velvinor-test"   # the driver and the test Program Manager, in the prefix

log() { echo "[$(date +%H:%M:%S.%3N)] $*"; }
# The exit status of a test that Wine itself broke (see drive).
WINE_FAULT=75
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Ends a test that this machine cannot run (CTest reports it as skipped).
skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

# Seconds since the epoch with milliseconds, for deadlines and timings.
now_ms() { date +%s%3N; }

use_display() {
  [ -s "$VEL_WINE_RUN/display" ] || fail "no display: run the wine.setup test first"
  local d
  d=$(cat "$VEL_WINE_RUN/display")
  case $d in *:*) export DISPLAY=$d ;; *) export DISPLAY=":$d" ;; esac
}

# ---- set-up and clean-up of a test run ----

# VEL_WINE_DISPLAY names a display to use (a desktop's, to watch); without it the
# run has a virtual display of its own.
setup_run() {
  rm -rf "$VEL_WINE_RUN"
  mkdir -p "$VEL_WINE_RUN"
  if [ -n "${VEL_WINE_DISPLAY:-}" ]; then
    echo "$VEL_WINE_DISPLAY" >"$VEL_WINE_RUN/display"
  else
    start_xvfb
  fi
  use_display
  log "display $DISPLAY; making the prefix"
  local t0; t0=$(now_ms)
  mkdir -p "$WINEPREFIX"
  start_server
  timeout 300 "$WINE" wineboot -i >"$VEL_WINE_RUN/wineboot.log" 2>&1 || fail "wineboot failed: $(tail "$VEL_WINE_RUN/wineboot.log")"
  # Direct3D through GDI: on a virtual display, OpenGL frames presented into a child
  # window never reach the screen, and the MPEG device's renderer draws through
  # Direct3D into a child of the given window. AVI plays through GDI either way.
  regedit_apply <<'REG'
[HKEY_CURRENT_USER\Software\Wine\Direct3D]
"renderer"="gdi"
REG
  if [ -n "${VEL_WINVER:-}" ]; then
    regedit_apply <<<"[HKEY_CURRENT_USER\Software\Wine]
\"Version\"=\"$VEL_WINVER\""
  fi
  mkdir -p "$TOOLS"
  cp "$VEL_DRIVER" "$VEL_PROGMAN" "$TOOLS/"
  log "prefix ready in $(($(now_ms) - t0)) ms"
}

start_xvfb() {
  # Xvfb picks a free display and tells which on descriptor 3.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$VEL_WINE_RUN/display" \
    >"$VEL_WINE_RUN/xvfb.log" 2>&1 </dev/null &
  echo $! >"$VEL_WINE_RUN/xvfb.pid"
  local deadline=$(($(now_ms) + 20000))
  until [ -s "$VEL_WINE_RUN/display" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "Xvfb did not start: $(cat "$VEL_WINE_RUN/xvfb.log")"
    kill -0 "$(cat "$VEL_WINE_RUN/xvfb.pid")" 2>/dev/null || fail "Xvfb ended: $(cat "$VEL_WINE_RUN/xvfb.log")"
    sleep 0.05
  done
}

# One server for the whole run (persistent: it does not end between two programs),
# so that each program starts quickly.
# The first program after a server start also starts the prefix's services, which
# inherit its output: that is /dev/null here, so no service ever holds the pipe of a
# command substitution or of CTest open (which would wait for it to end).
start_server() {
  wineserver -p >/dev/null 2>&1 </dev/null || fail "wineserver did not start"
  if [ -e "$WINEPREFIX/system.reg" ]; then timeout 120 "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true; fi
}

stop_server() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

cleanup_run() {
  if [ -d "$WINEPREFIX" ]; then stop_server; fi
  # A small drive a test could not unmount (transfer_low_space).
  if mountpoint -q "$VEL_WINE_RUN/small" 2>/dev/null; then umount -l "$VEL_WINE_RUN/small" || true; fi
  if [ -s "$VEL_WINE_RUN/xvfb.pid" ]; then
    kill "$(cat "$VEL_WINE_RUN/xvfb.pid")" 2>/dev/null || true
    rm -f "$VEL_WINE_RUN/xvfb.pid"
  fi
}

# ---- for the tests ----

# Ends whatever an earlier test left running in the prefix, and forgets the
# program's registry entries, its files, a registered movie control and the test
# Program Manager's groups. Windows are left to Wine, not to a window manager: the
# test display has none, and Wine would wait 2 s for one whenever a window is hidden.
reset_machine() {
  use_display
  stop_server
  start_server
  cp "$VEL_DRIVER" "$VEL_PROGMAN" "$TOOLS/"
  find "$C/users" -name 'Velvinor-uninstall-*' -delete 2>/dev/null || true
  find "$C" -maxdepth 1 -name 'Velvinor-uninstall-*' -delete 2>/dev/null || true
  rm -rf "$C/Games" "$C/Program Files/Trelkon" "$C/qq.bat" "$C/Program.exe" "$VEL_WINE_RUN/progman.txt" "$VEL_WINE_RUN/progman.txt.ready" "$VEL_WINE_RUN/progman.log"
  regedit_apply_program <<'REG'
[-HKEY_LOCAL_MACHINE\Software\Trelkon]
[-HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe]
[-HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velvinor.exe]
[-HKEY_CLASSES_ROOT\CLSID\{D27CDB6E-AE6D-11CF-96B8-444553540000}]
REG
  regedit_apply <<'REG'
[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"=-
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
  rm -f "$WINEPREFIX/dosdevices/d:"
}

# The program's keys: the maker's (the product key is under it), App Paths, uninstall.
MAKER_KEY='HKLM\Software\Trelkon'
APP_PATHS_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe'
UNINSTALL_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velvinor.exe'

# Asserts that the program in FOLDER (with its trailing backslash) is registered: the
# App Paths key with its path and folder, the uninstall command, and through Program
# Manager the group "Velvinor" with just its item.
# The copy in FOLDER registered, by a program in REGISTERING (FOLDER when not given).
expect_registered() {
  local folder=$1 registering=${2:-$1}
  expect_reg "$APP_PATHS_KEY" @ "${folder}Velvinor.exe"
  expect_reg "$APP_PATHS_KEY" Path "$registering"
  expect_reg "$UNINSTALL_KEY" UninstallString "\"${folder}Velvinor.exe\" -u"
  local expected="group \"Velvinor\"
item \"Вельвинор\" \"${folder}Velvinor.exe\""
  [ "$(progman_state)" = "$expected" ] || fail "Program Manager holds:
$(progman_state)
not:
$expected"
}

# Fails when any of the keys exists.
expect_no_keys() {
  local key
  for key in "$@"; do
    ! reg_key_exists "$key" || fail "$key is there"
  done
}

# Starts the program from the disc in drive D: and answers the warning for Vista and
# later (the prefix reports Windows 7) Yes; the installer dialog then asks whether to
# copy the disc. The next driver script finds the dialog again with wait-window.
start_from_disc() {
  start_program_at 'D:\Velvinor.exe'
  drive <<'DRIVER'
wait-window #32770 Confirm 30000
click Yes
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 30000
expect-text "Перенести файлы программы на жесткий диск?\r\nОни займут примерно 220 Мб, но программа сможет работать быстрее"
DRIVER
}

# Applies registry lines (the body of a .reg file, UTF-8) in one go, in the native
# view (a 32-bit program's keys in a 64-bit prefix are under Wow6432Node there):
# Wine's own settings.
regedit_apply() { apply_registry_lines "$NATIVE_WINE" regedit; }
# The same in the view the 32-bit program and the stand-in control see: their keys.
regedit_apply_program() { apply_registry_lines "$WINE" "$PROGRAM_REGEDIT"; }
apply_registry_lines() {
  local file="$VEL_WINE_RUN/apply.reg"
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; sed 's/$/\r/'; } |
    iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$file"
  timeout 60 "$@" /s "$(winepath -w "$file")" >/dev/null 2>&1 || fail "regedit could not apply $file"
}

# A copy of the program with a movie file, in a folder of drive C: (a hard disk).
# Prints nothing; the folder is given as a Unix path under $C.
install_game_copy() {
  local dir=$1
  mkdir -p "$dir/SWF"
  cp "$VEL_EXE" "$dir/Velvinor.exe"
  printf 'FWS' >"$dir/SWF/Game.swf"
}

# Marks the game as installed (product key with an empty transfer marker, and
# with $1 also the App Paths key for that program path), so that a start of it is
# an ordinary start.
mark_installed() {
  local program=${1:-}
  local lines='[HKEY_LOCAL_MACHINE\Software\Trelkon\Velvinor]
@=""'
  if [ -n "$program" ]; then
    local escaped=${program//\\/\\\\}
    lines="$lines
[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe]
@=\"$escaped\""
  fi
  regedit_apply_program <<<"$lines"
}

# A fresh machine with the test Program Manager, the stand-in movie control and the
# game installed in DIR (an ordinary start follows).
machine_with_installed_game() {
  reset_machine
  start_progman
  register_movie_stub "$VEL_FLASHSTUB"
  install_game_copy "$1"
  mark_installed
}

# Starts an installed copy (PROGRAM) whose intro videos are missing: answers the
# intro's error box, skips the intro with Esc and waits until the movie starts.
start_game_past_intro() {
  start_program "$1"
  drive <<'DRIVER'
wait-window #32770 Вельвинор 30000
click OK
wait-window VelvinorForm Вельвинор 30000
key 27
DRIVER
  wait_for_text "$STUB_LOG" 'EscIntro=-1' 15000 || fail "Esc did not start the movie"
}

# A test disc (make_test_disc) in DIR as drive D:, the test Program Manager and the
# stand-in movie control with its log and command file: a machine to start from the disc.
machine_with_test_disc() {
  make_test_disc "$1"
  add_cdrom_drive d "$1"
  start_progman
  register_movie_stub "$VEL_FLASHSTUB"
  use_movie_stub_files
}

# In the installer dialog showing its question: accepts the transfer to the proposed
# folder and waits for the disc run to end.
accept_default_transfer() {
  drive <<'DRIVER'
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Да
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 30000
expect-text "Файлы программы будут записываться в директорию:"
expect-text "C:\\Program Files\\Trelkon\\Velvinor"
click Продолжить
wait-exit 60000
DRIVER
  wait_exit "$PROGRAM_PID" 60000 || fail "the disc run did not end"
}

# After a relaunch from a test disc (no intro videos): the report that the intro
# cannot be played is answered and the game window comes.
wait_for_game_after_intro_report() {
  drive <<'DRIVER'
wait-window #32770 Вельвинор 60000 1000
click OK
wait-window VelvinorForm Вельвинор 30000
DRIVER
}

# Answers the uninstallation's question Yes (checking its text first when given, in
# the driver's escapes) and its completion message OK; the uninstalling program then
# ends.
confirm_uninstall() {
  local check=""
  [ -z "${1:-}" ] || check="expect-text \"$1\""
  drive <<DRIVER
wait-window #32770 "Удаление программы Вельвинор" 30000
$check
click Yes
wait-window #32770 Вельвинор 30000
expect-text "Приложение Вельвинор удалено"
click OK
wait-exit 30000
DRIVER
}

# A .reg line for the string value NAME holding the LINES, each ended by CR LF, as
# the program's records are: a .reg file gives such a text only as the hex of its
# UTF-16 form.
reg_lines_value() {
  local name=$1 hex
  shift
  hex=$(printf '%s\r\n' "$@" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',,' | sed 's/^,//; s/,$//')
  printf '"%s"=hex(1):%s,00,00\n' "$name" "$hex"
}

# Starts the test Program Manager and waits until its service name is registered.
# With TEXT, the groups it starts with (progman_state's form).
start_progman() {
  local state="$VEL_WINE_RUN/progman.txt"
  rm -f "$state" "$state.ready"
  [ -z "${1:-}" ] || printf '%s\n' "$1" >"$state"
  wine "$TOOLS/progman_server.exe" "$(winepath -w "$state")" "$(winepath -w "$VEL_WINE_RUN/progman.log")" \
    >>"$VEL_WINE_RUN/progman.out" 2>&1 </dev/null &
  PROGMAN_PID=$!
  wait_for_file "$state.ready" 30000 || fail "the test Program Manager did not start"
}

# The test Program Manager's groups, one line per group and item (see progman_server.cpp).
progman_state() { cat "$VEL_WINE_RUN/progman.txt"; }

wait_for_file() {
  local file=$1 deadline=$(($(now_ms) + $2))
  until [ -e "$file" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# Starts Velvinor.exe (Unix path) with the given arguments, in its own folder, in the
# background; PROGRAM_PID is the wine process and START_MS the time it was started.
start_program() {
  local exe=$1
  shift
  START_MS=$(now_ms)
  (cd "$(dirname "$exe")" && exec "$WINE" "$exe" "$@" >>"$VEL_WINE_RUN/program.out" 2>&1 </dev/null) &
  PROGRAM_PID=$!
}

# The same for a program named by its Windows path (say on a drive of the prefix
# that is no folder of drive C:), started from the folder it is in.
start_program_at() {
  local exe=$1
  shift
  START_MS=$(now_ms)
  local dir
  dir=$(dirname "$(winepath -u "$exe" 2>/dev/null)")
  (cd "$dir" && exec "$WINE" "$exe" "$@" >>"$VEL_WINE_RUN/program.out" 2>&1 </dev/null) &
  PROGRAM_PID=$!
}

# A disc folder made of the program, the demo disc's installer picture and the named
# files of its SWF folder, with a movie that plays nothing (the stand-in control then
# raises only what movie_command asks for).
make_test_disc() {
  local dir=$1 f
  shift
  rm -rf "$dir"
  install_game_copy "$dir"
  cp "$VEL_DISC/install.bmp" "$dir/"
  for f in "$@"; do cp "$VEL_DISC/SWF/$f" "$dir/SWF/"; done
}

# A picture for the installer dialog (a BMP file, 611 by 157).
make_install_bmp() { convert -size 611x157 gradient:navy-skyblue "BMP3:$1"; }

# Waits for a background process to end; its exit code is in EXIT_CODE.
wait_exit() {
  local pid=$1 deadline=$(($(now_ms) + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
  EXIT_CODE=0
  wait "$pid" || EXIT_CODE=$?
}

# The processes of this prefix (other test runs may share the machine) whose command
# line matches an extended regular expression, one PID a line.
prefix_pids() {
  local pid
  for pid in $(pgrep -f -- "$1" || true); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}

# Waits until no process of the prefix matches (a program relaunched by the program
# itself has no PID the test knows).
wait_gone() {
  local pattern=$1 deadline=$(($(now_ms) + $2))
  while [ -n "$(prefix_pids "$pattern")" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# Runs the driver with the script on standard input (see driver.cpp); its output is
# kept in DRIVER_OUT and shown.
drive() {
  local status=0
  DRIVER_OUT=$(wine "$TOOLS/driver.exe" 2>"$VEL_WINE_RUN/driver.err") || status=$?
  printf '%s\n' "$DRIVER_OUT"
  [ $status -eq 0 ] && return 0
  grep -q '^FAIL: ' <<<"$DRIVER_OUT" && fail "the driver's check failed"
  # A driver that ends without its own FAIL line (it crashed, or Wine did) leaves
  # only its exit status and Wine's complaints to go by: Wine's fault, not the
  # program's, which run-test.sh answers with one more run of the test.
  echo "WINE FAULT: the driver ended without its own word (exit $status; its last complaints: $(grep -v '^fixme:' "$VEL_WINE_RUN/driver.err" | tail -n 5))" >&2
  exit "$WINE_FAULT"
}

# `wine reg query` of a key (with /v NAME of one value), output as reg prints it.
reg_query() { timeout 60 "$WINE" "$SYS32\\reg.exe" query "$@" 2>/dev/null | tr -d '\r'; }

# Whether a key exists (`reg query` prints its complaint on standard output: the
# exit code tells, 1 for no such key). Any other end (the timeout, Wine failing) is
# no answer: it fails the test, or a check that the key is gone could pass by it.
reg_key_exists() {
  local rc=0
  timeout 60 "$WINE" "$SYS32\\reg.exe" query "$1" >/dev/null 2>&1 || rc=$?
  reg_answer "reg query $1" "$rc"
}

# Passes on reg's exit code RC for COMMAND: 0 (found) and 1 (not found) as they are;
# fails the test on any other.
reg_answer() {
  case $2 in
    0 | 1) return "$2" ;;
    124) fail "$1 did not end within 60 s" ;;
    *) fail "$1 ended with $2: no answer whether it is there" ;;
  esac
}

# The exact text of a string value ("@" for the default one), Cyrillic included:
# `reg query` prints through the console's code page, which lacks it outside a
# Russian system, so the value is read from `reg export` (UTF-16) instead. A missing
# value or key prints nothing and returns 1.
reg_value() {
  local key=$1 name=$2 file="$VEL_WINE_RUN/export.reg"
  rm -f "$file"
  local rc=0
  timeout 60 "$WINE" "$SYS32\\reg.exe" export "$key" "$(winepath -w "$file")" /y >/dev/null 2>&1 || rc=$?
  reg_answer "reg export $key" "$rc" || return 1
  local want
  if [ "$name" = "@" ]; then want='@'; else want="\"$name\""; fi
  iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | awk -v want="$want" '
    index($0, "[") == 1 { inkey = (n++ == 0) }
    inkey && index($0, want "=") == 1 {
      v = substr($0, length(want) + 2)
      if (v ~ /^".*"$/) { v = substr(v, 2, length(v) - 2); gsub(/\\\\/, "\\", v); gsub(/\\"/, "\"", v) }
      print v; found = 1; exit
    }
    END { exit !found }'
}

# Asserts that a value holds exactly the expected text.
expect_reg() {
  local key=$1 name=$2 expected=$3 actual
  actual=$(reg_value "$key" "$name") || fail "$key has no value $name"
  [ "$actual" = "$expected" ] || fail "$key $name is \"$actual\", not \"$expected\""
  log "ok: $key $name = \"$actual\""
}

# Registers a movie control (an in-process COM server DLL, Unix path) in the prefix
# with `regsvr32`: its DllRegisterServer writes HKCR\CLSID\{...}\InprocServer32.
# The stand-in control of tests/wine/flashstub is the one meant here:
#   register_movie_stub "$VEL_FLASHSTUB"
# and it stays registered until unregister_movie_stub (or the next test run's new
# prefix). Its settings (log, command file, version) are environment variables of the
# program (see tests/wine/flashstub/README.md): export them before start_program.
register_movie_stub() {
  local dll=$1
  local target="$TOOLS/$(basename "$dll")"
  cp "$dll" "$target"
  # Once in a full run under load, regsvr32 failed where it passes alone: it is told,
  # and tried once more (tests start their Program Manager before this, so the
  # server stays as it is).
  local try out rc
  for try in 1 2; do
    rc=0
    out=$(timeout 60 "$WINE" "$SYS32\\regsvr32.exe" /s "$(winepath -w "$target")" 2>&1 </dev/null) || rc=$?
    [ $rc -eq 0 ] && return 0
    echo "regsvr32 ended with $rc (try $try): $(printf '%s' "$out" | tail -n 3)" >&2
    [ $try -eq 2 ] || sleep 2
  done
  fail "regsvr32 could not register $dll"
}
unregister_movie_stub() {
  local target="$TOOLS/$(basename "$1")"
  timeout 60 "$WINE" "$SYS32\\regsvr32.exe" /u /s "$(winepath -w "$target")" >/dev/null 2>&1 || true
}

# Files the stand-in control talks through, for the next programs started: its log
# (STUB_LOG) and the command file (STUB_COMMANDS) that movie_command appends to.
use_movie_stub_files() {
  STUB_LOG="$VEL_WINE_RUN/stub.log"
  STUB_COMMANDS="$VEL_WINE_RUN/stub-commands.txt"
  rm -f "$STUB_LOG" "$STUB_COMMANDS"
  : >"$STUB_COMMANDS"
  VELVINOR_STUB_LOG=$(winepath -w "$STUB_LOG")
  VELVINOR_STUB_COMMANDS=$(winepath -w "$STUB_COMMANDS")
  export VELVINOR_STUB_LOG VELVINOR_STUB_COMMANDS
}

# The movie raises an FSCommand: "movie_command NAME [ARGS]".
movie_command() { printf '%s\t%s\n' "$1" "${2:-}" >>"$STUB_COMMANDS"; }

# Waits until a file holds a text (fixed string).
wait_for_text() {
  local file=$1 text=$2 deadline=$(($(now_ms) + $3))
  until grep -qF -- "$text" "$file" 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# A CD-ROM drive LETTER (as "d") showing the Unix folder DIR, for a start "from the
# disc". Wine reads the drive types when its server starts, so this restarts the
# server: call it before starting any program of the test.
add_cdrom_drive() {
  local letter=$1 dir=$2
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
  regedit_apply <<<"[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]
\"$letter:\"=\"cdrom\""
  stop_server
  start_server
}

case "${1:-}" in
  setup) setup_run ;;
  cleanup) cleanup_run ;;
  *) ;;
esac

# What the screenshot FILE shows where the intro window stands, centred on the
# screen at 720x576 (first video) or 320x240 (second): "video" when the logo
# video's colour bars show across its top third (grey, yellow, cyan, green, magenta,
# red, blue), "black" when that area is all black, "other" otherwise (the movie, a
# window over it).
intro_picture() {
  local file=$1 convert=${CONVERT:-convert} width height size w h left top i x y c p bar fx=() values
  read -r width height < <("$convert" "$file" -format '%w %h\n' info:)
  for size in 720x576 320x240; do
    w=${size%x*} h=${size#*x}
    left=$(((width - w) / 2)) top=$(((height - h) / 2)) y=$((top + h * 15 / 100))
    fx=()
    for i in 0 1 2 3 4 5 6; do
      x=$((left + (2 * i + 1) * w / 14)) p="p{$x,$y}" bar=""
      for c in r g b; do bar+="%[fx:$p.$c>0.47]"; done
      for c in r g b; do bar+="%[fx:$p.$c<0.24||$p.$c>0.47]"; done
      fx+=("$bar")
    done
    # Per bar: which channels are bright, then that each channel is clearly bright or dark.
    values=$("$convert" "$file" -format "${fx[*]}" info:)
    [ "$values" = "111111 110111 011111 010111 101111 100111 001111" ] && { echo video; return; }
  done
  w=320 h=240
  left=$(((width - w) / 2)) top=$(((height - h) / 2))
  if [ "$("$convert" "$file" -crop "${w}x${h}+${left}+${top}" -format '%[fx:maxima]' info:)" = 0 ]; then
    echo black
  else
    echo other
  fi
}

# Wine without a window manager (Managed=N) does not keep the stacking of its X
# windows in step with the system's z-order: its X11 driver raises the X window of
# the window that takes the focus above all others, so the main window, maximised
# and focused behind the intro, covers the topmost intro on the screen although the
# z-order has it beneath. Before a screenshot this raises the X windows of the
# visible top-level windows bottom first, so that the screen shows them stacked as
# Windows would show them.
stack_screen_as_windows() {
  local ids id
  ids=$(echo x-stack | wine "$TOOLS/driver.exe" 2>/dev/null | tr -d '\r' | grep '^0x' | tac) || true
  for id in $ids; do xdotool windowraise "$id" 2>/dev/null || true; done
}

# Looks at the intro while it plays: screenshots into FILE until it shows the logo
# video (up to eight looks) and prints what each look showed (intro_picture); a look
# after the intro window is gone does not count. Fails when something else shows
# where the intro window stands, or when no look showed the video.
intro_looks() {
  local file=$1 look="${1%.png}-look.png" picture seen="" n
  # Just after it appears, the intro window may not yet be the only one of its kind
  # shown (a slow machine, a 64-bit prefix): let that settle before the first look.
  echo 'wait-count VelvinorForm "" 1 5000' | wine "$TOOLS/driver.exe" >/dev/null 2>&1 || true
  for n in 1 2 3 4 5 6 7 8; do
    stack_screen_as_windows
    "${IMPORT:-import}" -display "$DISPLAY" -window root "$look" 2>/dev/null || fail "could not take a screenshot"
    picture=$(intro_picture "$look")
    echo 'count VelvinorForm "" 1' | wine "$TOOLS/driver.exe" >/dev/null 2>&1 || break
    [ "$picture" != other ] || fail "something else shows where the intro window stands ($look)"
    mv "$look" "$file"
    seen="$seen $picture"
    [ "$picture" = video ] && break
  done
  rm -f "$look"
  [ -n "$seen" ] || fail "the intro window was gone before the first look"
  case $seen in
    *video) ;;
    *) fail "the logo video's colour bars never showed where the intro window stands (looks:$seen; $file)" ;;
  esac
  echo "$seen"
}

# An installed copy in the Windows folder $1 (with its final backslash), with the
# record of its transfer unless $2 is "no-record", and its Program Manager group.
installed_in() {
  local folder=$1 record=${2:-}
  reset_machine
  register_movie_stub "$VEL_FLASHSTUB"
  start_progman "$(printf 'group "Velvinor"\nitem "Вельвинор" "%sVelvinor.exe"' "$folder")"
  install_game_copy "$(winepath -u "$folder")"
  local escaped=${folder//\\/\\\\}
  if [ "$record" != no-record ]; then
    regedit_apply_program <<REG
[HKEY_LOCAL_MACHINE\\Software\\Trelkon\\Velvinor\\Record]
$(reg_lines_value Transfer "root $folder" 'made C:\Games' "made ${folder%\\}" 'dir SWF' 'file Velvinor.exe' \
    'file SWF\Game.swf' finished)
REG
  fi
  regedit_apply_program <<REG
[HKEY_LOCAL_MACHINE\\Software\\Trelkon\\Velvinor]
@=""
"TransferPath"="$escaped"
[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe]
@="${escaped}Velvinor.exe"
"Path"="$escaped"
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvinor.exe]
"DisplayName"="Вельвинор"
"UninstallString"="\\"${escaped}Velvinor.exe\\" -u"
REG
}

# "-u" of the copy in $1, confirmed; the driver lines $2 run before the answer Yes,
# and the completion message must be $3.
uninstall_saying() {
  local folder=$1 before=$2 message=$3
  start_program_at "${folder}Velvinor.exe" -u
  drive <<DRIVER
wait-window #32770 "Удаление программы Вельвинор" 30000
$before
click Yes
wait-window #32770 Вельвинор 30000
expect-text "$message"
click OK
wait-exit 30000
DRIVER
  wait_exit "$PROGRAM_PID" 30000 || fail "the uninstalling program did not end"
}

# Everything of the installation in $1 is gone, the script's work included.
expect_removed() {
  local unix
  unix=$(winepath -u "$1")
  expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
  local deadline=$(($(now_ms) + 60000))
  while [ -e "$unix" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the uninstall script did not remove $unix: $(find "$unix")"
    sleep 0.2
  done
  [ "$(progman_state)" = "" ] || fail "Program Manager holds: $(progman_state)"
}

