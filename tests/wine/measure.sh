#!/usr/bin/env bash
# Measures Velvinor.exe under Wine: a benchmark, not a test (it prints, it does not
# judge). In a fresh prefix of its own, with the stand-in movie control quiet
# (VELVINOR_STUB_QUIET: a slow poll, no log line per call), so that the figures are
# the program's own:
#   start-up  the time from start to the main window (the windows made, the loop
#             entered), taken in turn with bench_window.exe bare and bench_window.exe
#             loading Velvinor.exe's imports, the order rotating from run to run; each
#             run's difference to the bare window is its own pair, so a busy machine
#             moves all three alike. The frequency probe's two 250 ms waits are taken
#             off Velvinor.exe's time. Beside the time, the processor time each
#             program's main thread had used when its window was found
#             (/proc/PID/schedstat): less moved by other work on the machine; and
#             that of all its threads, ended ones included (/proc/PID/stat, in clock
#             ticks): work moved off the main thread shows there.
#             With --against, an earlier Velvinor.exe takes its turn in the same
#             rotation, so that a change is measured paired with what it replaces.
#   idle      with the intro skipped and the game running, the processor time of the
#             program (all its threads) and of the prefix's Wine server
#             (/proc/PID/task/*/schedstat, in ns); then the same for the bare window
#             with a 50 ms timer, the floor under the game's 50 ms state feedback.
# It prints one line per figure. With --timeline it instead starts the program
# --runs times with Wine's call trace and prints the start-up's landmarks (DLLs
# loaded, windows created, the probe's waits, the loop entered), each with the time
# since the one before (median and least): where the start spends its time (the
# trace itself slows every step somewhat).
#
# Usage: tests/wine/measure.sh [--runs N] [--idle SECONDS] [--system NAME] [--timeline] [--exe FILE] [--against FILE] BUILD_DIR
#   BUILD_DIR   the Windows build (build/win32, or the 64-bit build/win64) with
#               Velvinor.exe, driver.exe, progman_server.exe, bench_window.exe and
#               flashstub.dll built
#   --runs      start-up runs of each program (default 15)
#   --idle      length of the idle measurement in seconds (default 10)
#   --system    russian (Windows 7 in Russian) or win64 (64-bit Windows 10), as the
#               journey's rows make them; default Wine's own (a 32-bit prefix, or a
#               64-bit one for the 64-bit build)
#   --timeline  the start-up's landmarks of traced starts, nothing else
#   --exe       another Velvinor.exe to measure (an earlier build, to compare)
#   --against   an earlier Velvinor.exe measured in the same runs (start-up only)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
  sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}
runs=15 idle=10 system= timeline= exe= against=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) [ $# -ge 2 ] || usage; runs=$2; shift 2 ;;
    --idle) [ $# -ge 2 ] || usage; idle=$2; shift 2 ;;
    --system) [ $# -ge 2 ] || usage; system=$2; shift 2 ;;
    --timeline) timeline=1; shift ;;
    --exe) [ $# -ge 2 ] || usage; exe=$(realpath "$2"); shift 2 ;;
    --against) [ $# -ge 2 ] || usage; against=$(realpath "$2"); shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || usage
build=$(cd "$1" && pwd)
case $system in
  '') ;;
  russian) export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 VEL_WINVER=win7 ;;
  win64) export VEL_WINEARCH=win64 VEL_WINVER=win10 ;;
  *) echo "measure: unknown system $system" >&2; usage ;;
esac
export VEL_WINE_RUN="$build/tests/wine/measure${system:+-$system}"
export VEL_EXE="${exe:-$build/platform/win32/Velvinor.exe}" VEL_DRIVER="$build/tests/wine/driver.exe"
export VEL_PROGMAN="$build/tests/wine/progman_server.exe" VEL_FLASHSTUB="$build/tests/wine/flashstub/flashstub.dll"
bench="$build/tests/wine/bench_window.exe"
for f in "$VEL_EXE" "$VEL_DRIVER" "$VEL_PROGMAN" "$VEL_FLASHSTUB" "$bench" ${against:+"$against"}; do
  [ -f "$f" ] || { echo "measure: $f is not built" >&2; exit 2; }
done
source "$here/harness.sh"
trap cleanup_run EXIT
note() { echo "$*" >&2; }

note "making the prefix in $VEL_WINE_RUN${system:+ ($system)}"
setup_run >/dev/null
reset_machine
# The test Program Manager answers the program's conversation, as the shell does.
start_progman
game="$C/Games/Velvinor"
install_game_copy "$game"
# Both builds start as the game's own Velvinor.exe, each a hard link to its file.
cp "$game/Velvinor.exe" "$game/Velvinor.measured"
[ -z "$against" ] || cp "$against" "$game/Velvinor.against"
as_game() { ln -f "$game/Velvinor.$1" "$game/Velvinor.exe"; }
as_game measured
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=15 -t 3 -c:v msvideo1 "$game/SWF/logo_deve.avi"
cp "$game/SWF/logo_deve.avi" "$game/SWF/logo_trelkon.avi"
mark_installed
register_movie_stub "$VEL_FLASHSTUB"
cp "$bench" "$TOOLS/"
use_movie_stub_files
export VELVINOR_STUB_QUIET=1
if [ "$PROGRAM_BITS" = 64 ]; then objdump=x86_64-w64-mingw32-objdump; else objdump=i686-w64-mingw32-objdump; fi
imports=$("$objdump" -p "$VEL_EXE" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
probe_ms=500  # the frequency probe's two 250 ms waits

found_ms() { sed -n 's/.* t=\([0-9]*\)$/\1/p' <<<"$DRIVER_OUT" | tail -1; }

# The processor time (ns) a process has used, all its threads together, and that of
# its main thread (the program's own start; the intro video plays on another).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%.0f\n", t }'; }
main_cpu_ns() { cut -d' ' -f1 "/proc/$1/schedstat"; }
# All its threads, those that have ended too (user and system time, in ns).
tick_ns=$((1000000000 / $(getconf CLK_TCK)))
all_cpu_ns() { sed 's/^.*) //' "/proc/$1/stat" | awk -v tick=$tick_ns '{ printf "%.0f\n", ($12 + $13) * tick }'; }

# Starts a program, waits for its window, closes it and waits for its end; prints the
# milliseconds from start to the window and the processor time (ms) its main thread,
# and all its threads, had used by then (read just after the window was found).
time_window() {
  local class=$1 title=$2 exe=$3
  shift 3
  start_program "$exe" "$@"
  drive <<<"wait-window $class \"$title\" 60000" >/dev/null
  local ms=$(($(found_ms) - START_MS)) cpu all
  cpu=$(main_cpu_ns "$PROGRAM_PID") all=$(all_cpu_ns "$PROGRAM_PID")
  drive <<<$'wait-window '"$class \"$title\""$' 1000\nclose' >/dev/null
  wait_exit "$PROGRAM_PID" 30000 || fail "$(basename "$exe") did not end"
  echo "$ms $((cpu / 1000000)) $((all / 1000000))"
}

if [ -n "$timeline" ]; then
  # Relayed calls: only the landmarks (window procedures are always traced).
  regedit_apply <<'REG'
[HKEY_CURRENT_USER\Software\Wine\Debug]
"RelayInclude"="user32.CreateWindowExW;kernel32.Sleep;user32.GetMessageW;ole32.OleInitialize;winmm.mixerGetNumDevs;winmm.mciSendCommandW;user32.ShowWindow"
REG
  time_window VelvinorForm Вельвинор "$game/Velvinor.exe" >/dev/null  # warm-up
  trace="$VEL_WINE_RUN/timeline.trace" steps="$VEL_WINE_RUN/timeline.steps"
  : >"$steps"
  for i in $(seq "$runs"); do
    START_MS=$(now_ms)
    (cd "$game" && WINEDEBUG=+timestamp,+relay,+loaddll exec "$WINE" "$game/Velvinor.exe" 2>"$trace" >/dev/null </dev/null) &
    PROGRAM_PID=$!
    drive <<<$'wait-window VelvinorForm Вельвинор 60000\nclose' >/dev/null
    note "traced run $i: the main window showed $(($(found_ms) - START_MS)) ms after the start"
    wait_exit "$PROGRAM_PID" 30000 || fail "Velvinor.exe did not end"
    # The program's own thread is the one that loads it; time 0 is that load. One
    # line per landmark: its number, the time since the one before, what it is.
    awk '
      function at(line) { return substr(line, 1, index(line, ":") - 1) * 1000 }
      function tid(line) { split(line, f, ":"); return f[2] }
      function mark(t, what) { printf "%d\t%.0f\t%s\n", ++n, t - last, what; last = t }
      function quoted(line,   s) { s = substr(line, index(line, "L\"") + 2); return substr(s, 1, index(s, "\"") - 1) }
      !t0 && /trace:loaddll:build_module Loaded .*Velvinor.exe/ { t0 = last = at($0); main = tid($0); next }
      !t0 || tid($0) != main { next }
      /trace:loaddll:build_module Loaded/ { k = split(quoted($0), p, "\\\\"); loads = loads " " p[k]; if (started) mark(at($0), "loads " p[k]); next }
      /Starting thread proc/ { mark(at($0), "its imports loaded and started:" loads); started = 1; next }
      /Call user32.CreateWindowExW/ { c = quoted($0); k = ++made[c]; mark(at($0), "window " c (c == "VelvinorForm" ? " #" k : "")); next }
      /Call KERNEL32.Sleep/ { mark(at($0), "Sleep"); next }
      /Ret  KERNEL32.Sleep/ { mark(at($0), "Sleep done"); next }
      /Call ole32.OleInitialize/ && !ole++ { mark(at($0), "OleInitialize"); next }
      /Ret  ole32.OleInitialize/ && ole == 1 { mark(at($0), "OleInitialize done"); ole++; next }
      /Call winmm.mixerGetNumDevs/ { mark(at($0), "the mixer'"'"'s first call"); next }
      /Ret  winmm.mixerGetNumDevs/ { mark(at($0), "the mixer answered (the sound system loaded)"); next }
      /Call winmm.mciSendCommandW\(00000000,00000803,/ { mark(at($0), "the intro'"'"'s video opened (MCI_OPEN)"); opening = 1; next }
      /Ret  winmm.mciSendCommandW/ && opening { mark(at($0), "the video is open"); opening = 0; next }
      /Call user32.ShowWindow\(.*,00000003\)/ && !shown++ { mark(at($0), "the main window shown, maximised"); next }
      /Call user32.GetMessageW/ { mark(at($0), "the message loop"); exit }
    ' "$trace" >>"$steps"
  done
  # Per landmark, the median and the least time since the landmark before it.
  echo "start-up timeline of Velvinor.exe, $runs traced runs: median (least) ms since the landmark before"
  sort -t$'\t' -k1,1n -k2,2n "$steps" | awk -F'\t' '
    function flush() { if (cnt) printf "%7.0f (%4.0f)  %s\n", (cnt % 2 ? v[(cnt + 1) / 2] : (v[cnt / 2] + v[cnt / 2 + 1]) / 2), v[1], what }
    $1 != idx { flush(); idx = $1; cnt = 0; what = $3 }
    { v[++cnt] = $2 }
    END { flush() }'
  exit 0
fi

# One warm-up round (the first start in a prefix loads everything from disc), then
# the measured rounds. Wall-clock and processor times of each program, per round.
program=() bare=() same=() earlier=() program_cpu=() bare_cpu=() same_cpu=() earlier_cpu=()
program_all=() bare_all=() earlier_all=()
turns=3
[ -z "$against" ] || turns=4
for i in $(seq 0 "$runs"); do
  for k in $(seq 0 $((turns - 1))); do
    case $(((i + k) % turns)) in
      0) as_game measured
         out=$(time_window VelvinorForm Вельвинор "$game/Velvinor.exe"); read -r v vc va <<<"$out"
         [ "$i" -eq 0 ] || { program+=($((v - probe_ms))); program_cpu+=("$vc"); program_all+=("$va"); } ;;
      1) out=$(time_window VelvinorBench bench "$TOOLS/bench_window.exe"); read -r b bc ba <<<"$out"
         [ "$i" -eq 0 ] || { bare+=("$b"); bare_cpu+=("$bc"); bare_all+=("$ba"); } ;;
      2) out=$(time_window VelvinorBench bench "$TOOLS/bench_window.exe" $imports); read -r s sc _ <<<"$out"
         [ "$i" -eq 0 ] || { same+=("$s"); same_cpu+=("$sc"); } ;;
      3) as_game against
         out=$(time_window VelvinorForm Вельвинор "$game/Velvinor.exe"); read -r e ec ea <<<"$out"
         [ "$i" -eq 0 ] || { earlier+=($((e - probe_ms))); earlier_cpu+=("$ec"); earlier_all+=("$ea"); } ;;
    esac
  done
  [ "$i" -eq 0 ] || note "run $i: Velvinor.exe $((v - probe_ms)) ms (probe taken off; processor $vc ms, all threads $va), bare $b ms ($bc, $ba), same imports $s ms ($sc)${against:+, earlier build $((e - probe_ms)) ms ($ec, $ea)}"
done
as_game measured

# min, median and max of the numbers on standard input.
spread() { sort -n | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "median %g ms (min %g, max %g; n=%d)", m, v[1], v[NR], NR }'; }
diffs() { local -n a=$1 b=$2; local j; for j in "${!a[@]}"; do echo $((a[j] - b[j])); done; }
echo "start-up, Velvinor.exe over the bare window: $(diffs program bare | spread)"
echo "start-up, Velvinor.exe over a window with its imports: $(diffs program same | spread)"
echo "start-up, its imports over the bare window: $(diffs same bare | spread)"
echo "start-up, Velvinor.exe: $(printf '%s\n' "${program[@]}" | spread)"
echo "start-up, the bare window: $(printf '%s\n' "${bare[@]}" | spread)"
echo "processor time to the window, Velvinor.exe over the bare window: $(diffs program_cpu bare_cpu | spread)"
echo "processor time to the window, Velvinor.exe over a window with its imports: $(diffs program_cpu same_cpu | spread)"
echo "processor time to the window, Velvinor.exe: $(printf '%s\n' "${program_cpu[@]}" | spread)"
echo "processor time to the window, the bare window: $(printf '%s\n' "${bare_cpu[@]}" | spread)"
echo "processor time to the window, all threads, Velvinor.exe over the bare window: $(diffs program_all bare_all | spread)"
if [ -n "$against" ]; then
  echo "start-up, the earlier build over the bare window: $(diffs earlier bare | spread)"
  echo "start-up, Velvinor.exe over the earlier build: $(diffs program earlier | spread)"
  echo "processor time to the window, the earlier build over the bare window: $(diffs earlier_cpu bare_cpu | spread)"
  echo "processor time to the window, Velvinor.exe over the earlier build: $(diffs program_cpu earlier_cpu | spread)"
  echo "processor time to the window, all threads, the earlier build over the bare window: $(diffs earlier_all bare_all | spread)"
  echo "processor time to the window, all threads, Velvinor.exe over the earlier build: $(diffs program_all earlier_all | spread)"
fi

# ---- idle: the game running, the intro skipped ----
# This prefix's server works in a folder named server-DEV-INODE of the prefix.
serverdir="server-$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
server=
for p in $(pgrep wineserver); do
  [ "$(basename "$(readlink "/proc/$p/cwd")")" = "$serverdir" ] && server=$p
done
[ -n "$server" ] || fail "no Wine server for $WINEPREFIX"

# Prints the share of a core the process PID and the server use over the idle span.
idle_of() {
  local pid=$1 what=$2
  sleep 2  # let the start settle: this measures the steady state
  local p0 s0 t0 p1 s1 t1
  p0=$(cpu_ns "$pid") s0=$(cpu_ns "$server") t0=$(date +%s%N)
  sleep "$idle"
  p1=$(cpu_ns "$pid") s1=$(cpu_ns "$server") t1=$(date +%s%N)
  LC_ALL=C awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v t=$((t1 - t0)) -v what="$what" 'BEGIN {
    printf "idle, %s: program %.2f%% of a core (%.1f ms in %.1f s), its Wine server %.2f%% (%.1f ms), together %.2f%%\n",
      what, 100 * p / t, p / 1e6, t / 1e9, 100 * s / t, s / 1e6, 100 * (p + s) / t
  }'
}

start_program "$game/Velvinor.exe"
drive <<<$'wait-window VelvinorForm Вельвинор 60000\nkey 27' >/dev/null
wait_for_text "$STUB_LOG" 'EscIntro=-1' 20000 || fail "the movie did not start"
idle_of "$PROGRAM_PID" "Velvinor.exe"  # the wine launcher becomes the program's own process
movie_command quit
wait_exit "$PROGRAM_PID" 20000 || fail "the program did not end on quit"

# The least any program with the game's 50 ms state feedback costs here.
start_program "$TOOLS/bench_window.exe" /timer:50
drive <<<'wait-window VelvinorBench bench 60000' >/dev/null
idle_of "$PROGRAM_PID" "a bare window with a 50 ms timer"
drive <<<$'wait-window VelvinorBench bench 1000\nclose' >/dev/null
wait_exit "$PROGRAM_PID" 30000 || fail "bench_window.exe did not end"
