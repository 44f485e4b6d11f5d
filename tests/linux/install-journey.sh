#!/usr/bin/env bash
# A family's journey from the disc to the applications menu and back, on Linux: the
# disc folder (declared a disc) starts velvinor, which is not installed; the installer
# dialog is answered by the keyboard, the game copied to the folder the user types,
# registered with its menu entries and started; the family leaves its own files
# about; the removal entry's command removes what the program made, and only that.
# Every stage is told in plain words; the screenshots are proved from their pixels,
# the menu entries read back from the files the program wrote.
#
#   install-journey.sh [--step] [--display] [--load N] OUTDIR
#     --step     waits for Enter before each stage
#     --display  runs on this desktop's display ($DISPLAY) instead of a virtual one
#     --load     processes that only spin run beside it up to a load average of N:
#                a busy, slow machine
#
# Needs VEL_LINUX_DISC: a disc made by scripts/make-disc.sh --linux. OUTDIR receives
# the screenshots (NN-stage.png), the logs and the user's folders of the run.
set -euo pipefail

# shellcheck source=journey-lib.sh
source "$(dirname "$0")/journey-lib.sh" "$@"
[ -f "$disc/install.bmp" ] || { echo "journey: the disc has no install.bmp" >&2; exit 2; }
command -v xclip >/dev/null || { echo "journey: xclip is missing (scripts/install-deps.sh linux)" >&2; exit 2; }

disc=$(cd "$disc" && pwd)
export VELVINOR_DISC_FOLDER=$disc
# A real disc refuses every write; the declared one is only checked to be unchanged.
disc_state() { find "$disc" -printf '%P %y %s %T@\n' | sort; }
disc_before=$(disc_state)
settings=$XDG_CONFIG_HOME/velvinor/registry.txt
menu=$XDG_DATA_HOME/applications/Velvinor
merged=$XDG_CONFIG_HOME/menus/applications-merged/Velvinor.menu
directory=$XDG_DATA_HOME/desktop-directories/Velvinor.directory
target=$home/Games
installed=$target/Velvinor

# The window of that exact title, once it shows (its id), within MS milliseconds.
window_named() {
  local name=$1 deadline=$(($(now_ms) + $2)) id
  until id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n 1) && [ -n "$id" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
  printf '%s' "$id"
}
# Keys pressed in a window, the pointer over it (there is no window manager to give
# the keyboard to one).
keys_in() {
  local id=$1
  shift
  xdotool mousemove --window "$id" 5 5 key --clearmodifiers "$@"
}
# A window's top left corner on the screen and its size: X Y WIDTH HEIGHT.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  printf '%s %s %s %s\n' "$X" "$Y" "$WIDTH" "$HEIGHT"
}
# Waits for the process to end by itself, at most MS milliseconds; false when it runs on.
ended() {
  local pid=$1 deadline=$(($(now_ms) + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
  wait "$pid" 2>/dev/null || true  # reaped, where it is this shell's child
}
# A value of a desktop entry's [Desktop Entry] group, as a menu reads it.
entry_value() {
  /usr/bin/python3 -c 'import sys, xdg.DesktopEntry as d; print(d.DesktopEntry(sys.argv[1]).get(sys.argv[2]))' "$1" "$2"
}
# The arguments of a desktop entry's Exec key, one a line, as the entry spec unquotes them.
entry_command() {
  /usr/bin/python3 - "$1" <<'PY'
import sys, xdg.DesktopEntry as d
exec_ = d.DesktopEntry(sys.argv[1]).getExec()
args, cur, quoted, i, any_ = [], "", False, 0, False
while i < len(exec_):
    c = exec_[i]
    if quoted and c == "\\" and i + 1 < len(exec_) and exec_[i + 1] in '"`$\\':
        cur += exec_[i + 1]; i += 2; continue
    if c == '"':
        quoted = not quoted; any_ = True
    elif c == " " and not quoted:
        if cur or any_: args.append(cur)
        cur, any_ = "", False
    elif c == "%" and i + 1 < len(exec_) and exec_[i + 1] == "%":
        cur += "%"; i += 1
    else:
        cur += c
    i += 1
if cur or any_: args.append(cur)
print("\n".join(args))
PY
}
# What lies under a folder, relative, one a line (links as links).
listing() { (cd "$1" && find . -mindepth 1 \( -type l -printf '%p -> %l\n' \) -o -printf '%p\n' | sort); }

# The installer dialog's picture (install.bmp: a blue gradient, a yellow sun) and its
# form's face colour, at points of the dialog whose window is at X Y.
dialog_points() {
  local x=$1 y=$2
  printf '%s\n' "$((x + 78)) $((y + 78)) ffd23f" "$((x + 600)) $((y + 6)) 1d3b8a" "$((x + 600)) $((y + 150)) 5fb0e8" \
    "$((x + 4)) $((y + 200)) f0f0f0"
}

# ---- the journey

stage "Getting a desktop ready"
tell "display $DISPLAY, the user's folders in $home, LANG=$LANG"
tell "the disc: $disc, declared a disc (VELVINOR_DISC_FOLDER): a CD-ROM nothing is written to"
[ ! -e "$settings" ] || fail "the settings file exists before the journey"
# The desktop's own menu, as a distribution installs it: the applications with the
# menus merged from the user's folder.
mkdir -p "$out/xdg/menus"
cat >"$out/xdg/menus/applications.menu" <<'EOF'
<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN"
 "http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd">
<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><DefaultMergeDirs/></Menu>
EOF

stage "The disc goes in: velvinor offers to copy the game"
"$disc/velvinor" >"$out/disc-run.log" 2>&1 &
GAME_PID=$!
dialog=$(window_named 'Установка программы "Вельвинор"' 30000) || fail "the installer dialog did not come up"
read -r dx dy dw dh < <(geometry "$dialog")
[ "$dw" -eq 611 ] && [ "$dh" -eq 229 ] || fail "the dialog is ${dw}x$dh, not 611x229 (its question state)"
mapfile -t points < <(dialog_points "$dx" "$dy")
screenshot_showing installer-question 10000 "${points[@]}"
tell "the dialog asks, with its picture, 611 by 229 at $dx,$dy"
keys_in "$dialog" Return
tell "Enter: the first button, \"Да\""

stage "The folder: the proposal in the user's data folder, another one typed"
deadline=$(($(now_ms) + 10000))
until read -r _ _ dw dh < <(geometry "$dialog") && [ "$dh" -eq 229 ] &&
  proposed=$(keys_in "$dialog" ctrl+a ctrl+c && sleep 0.3 && xclip -o -selection clipboard 2>/dev/null) &&
  [ -n "$proposed" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the folder field could not be read"
  sleep 0.2
done
[ "$proposed" = "$XDG_DATA_HOME/Trelkon/Velvinor" ] || fail "the proposed folder is \"$proposed\""
tell "the folder field proposes $proposed (read through the clipboard)"
screenshot_showing installer-folder 10000 "${points[@]}"
keys_in "$dialog" ctrl+a BackSpace
xdotool type --delay 20 "$target"
tell "typed: $target; Enter presses \"Продолжить\""
keys_in "$dialog" Return

stage "The copy, the registration, the relaunch"
ended "$GAME_PID" 60000 || fail "the disc's run did not end after the copy"
GAME_PID=''
tell "the disc's run ended: it copied the disc and started the copy"
deadline=$(($(now_ms) + 60000))
until [ -f "$menu/velvinor.desktop" ] && grep -q 'UninstallString' "$settings" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the copy did not register itself"
  sleep 0.2
done
[ "$(listing "$installed")" = "$(listing "$disc")" ] || fail "the copy in $installed is not the disc's: $(diff <(listing "$disc") <(listing "$installed") | head -n 5)"
tell "the copy in $installed holds the disc's $(listing "$disc" | wc -l) entries"
grep -qx '"TransferPath"="'"$installed/"'"' "$settings" || fail "TransferPath is not $installed/"
grep -q '^finished' <(sed -n '/^"Transfer"=/p' "$settings" | sed 's/\\r\\n/\n/g') ||
  fail "the transfer's record has no mark that it finished"
tell "the settings file: TransferPath $installed/, the record of what was made, marked finished"
grep -qx '"UninstallString"="\\"'"$installed/velvinor"'\\" -u"' "$settings" || fail "UninstallString is not the copy's"

stage "The menu: the group's folder with the game and its removal"
for file in "$menu/velvinor.desktop" "$menu/velvinor-u.desktop" "$directory"; do
  problems=$(desktop-file-validate "$file" 2>&1) || fail "$file is not a valid desktop entry: $problems"
done
[ "$(entry_value "$menu/velvinor.desktop" Name)" = Вельвинор ] || fail "the game's entry is not named Вельвинор"
[ "$(entry_command "$menu/velvinor.desktop")" = "$installed/velvinor" ] || fail "the game's entry does not start the copy"
[ "$(entry_value "$menu/velvinor.desktop" Path)" = "$installed/" ] || fail "the game's entry does not start in its folder"
[ "$(entry_value "$menu/velvinor-u.desktop" Name)" = "Удалить программу Вельвинор" ] ||
  fail "the removal's entry is not named \"Удалить программу Вельвинор\""
removal=$(entry_command "$menu/velvinor-u.desktop")
[ "$removal" = "$installed/velvinor"$'\n'"-u" ] || fail "the removal's entry runs \"$removal\""
tell "velvinor.desktop: \"Вельвинор\" starts $installed/velvinor in $installed/"
tell "velvinor-u.desktop: \"Удалить программу Вельвинор\" starts $installed/velvinor -u"
submenu=$(XDG_CONFIG_DIRS=$out/xdg XDG_DATA_DIRS=$out/none /usr/bin/python3 -c '
import xdg.Menu
for m in xdg.Menu.parse().getEntries():
    if isinstance(m, xdg.Menu.Menu):
        print(m.getName() + ": " + ", ".join(sorted(e.DesktopEntry.getName() for e in m.getEntries())))' 2>&1) ||
  fail "the menu could not be read: $submenu"
[ "$submenu" = "Velvinor: Вельвинор, Удалить программу Вельвинор" ] || fail "the menu reads: $submenu"
tell "a menu reader finds the submenu: $submenu"

stage "The game starts from the hard disk"
intro_then_escape intro
GAME_PID=$(pgrep -n -f "^$installed/velvinor\$" || true)
[ -n "$GAME_PID" ] || fail "the registered copy did not start the game"
tell "the installed copy (process $GAME_PID) plays the intro"
screenshot_showing game 90000 "${movie_points[@]}"
tell "the movie plays from $installed"
wait_for_text 'fscommand "quit" ""' 180000 || fail "the movie did not raise quit"
ended "$GAME_PID" 15000 || fail "the game did not end on quit"
GAME_PID=''
tell "the movie went through its commands and said quit: the game ended"
[ ! -e "$XDG_DATA_HOME/Trelkon" ] || fail "a clip was copied though the game runs from the hard disk"

stage "The family's own files"
printf 'level 7\n' >"$installed/save1.sav"
mkdir -p "$home/Pictures"
printf 'drawing\n' >"$home/Pictures/drawing.txt"
ln -s "$home/Pictures" "$installed/Pictures"
printf 'notes\n' >"$menu/notes.txt"
tell "a save beside the game ($installed/save1.sav), a link inside its folder (Pictures -> $home/Pictures), a file in the menu folder (notes.txt)"

stage "The removal entry: the question, then everything the program made goes"
(cd "$(entry_value "$menu/velvinor-u.desktop" Path)" && exec "$installed/velvinor" -u) >"$out/removal.log" 2>&1 &
GAME_PID=$!
box=$(window_named 'Удаление программы Вельвинор' 30000) || fail "the question did not come up"
read -r bx by bw bh < <(geometry "$box")
screenshot_showing removal-question 10000 "$((bx + bw / 2)) $((by + 4)) f0f0f0" "$((bx - 20)) $((by + bh / 2)) 000000"
tell "the question \"Удаление программы Вельвинор\" ($bw by $bh at $bx,$by)"
keys_in "$box" Return
done_box=$(window_named 'Вельвинор' 30000) || fail "no word came that the program was removed"
read -r bx by bw bh < <(geometry "$done_box")
# The box's face, and the bare screen around it: no window of the program's is left.
screenshot_showing removed 10000 "$((bx + bw / 2)) $((by + 4)) f0f0f0" "$((bx - 20)) $((by + bh / 2)) 000000" "5 5 000000"
tell "the program's last word ($bw by $bh at $bx,$by) on an otherwise bare screen"
keys_in "$done_box" Return
ended "$GAME_PID" 30000 || fail "the removal did not end"
GAME_PID=''

stage "What is left: the family's files, nothing of the program's"
left=$(listing "$installed")
[ "$left" = $'./Pictures -> '"$home/Pictures"$'\n./save1.sav' ] || fail "the folder holds: $left"
[ "$(cat "$installed/save1.sav")" = "level 7" ] && [ "$(cat "$home/Pictures/drawing.txt")" = drawing ] ||
  fail "a family's file was changed"
tell "$installed keeps only the save and the link; the link's folder keeps its drawing"
[ "$(listing "$menu")" = "./notes.txt" ] || fail "the menu folder holds: $(listing "$menu")"
[ ! -e "$merged" ] && [ ! -e "$directory" ] || fail "the submenu is still there"
tell "the menu folder keeps only notes.txt; the submenu and its name are gone"
! grep -q 'Velvinor' "$settings" 2>/dev/null || fail "the settings still name the game: $(grep Velvinor "$settings")"
tell "the settings file names the game no more"
[ "$(disc_state)" = "$disc_before" ] || fail "the disc changed: $(diff <(echo "$disc_before") <(disc_state) | head -5)"
tell "the disc is as it was: nothing was written, made or deleted on it"

stage "The journey is complete"
tell "$shots screenshots in $out, $(( ($(now_ms) - started_ms) / 1000 )) s in all"
