#!/usr/bin/env bash
# Whole-process figures for the game under a virtual X server, each beside the
# same figure for a bare Qt window with the same 1 ms timer and beside its goal:
# time to a mapped window, CPU share while idling on a dealt board, and peak
# resident memory. The two programs are run in turn, several times, and
# medians are quoted, since a shared machine makes single runs noisy.
#
#   bench/figures.sh [BUILD_DIR]       (BUILD_DIR defaults to build/)
#   RUNS=7 CPU_RUNS=3 IDLE_SECONDS=10 bench/figures.sh   (the defaults)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
runs=${RUNS:-7}
cpu_runs=${CPU_RUNS:-3}
idle=${IDLE_SECONDS:-10}

cmake --build "$build" --target bench --parallel 2 >/dev/null
game=$build/ui/dvigushki
bare=$build/bench/dvigushki_bare_window
probe=$build/bench/x_probe

scratch=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    [[ -n ${old_xvfb_pids:-} ]] && kill $old_xvfb_pids 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# A display of its own, on whichever number is free. Should it go away while
# the script runs (another user of the machine may end it), a new one is
# started and the run that lost it is made again.
start_display() {
    [[ -n $xvfb_pid ]] && old_xvfb_pids="${old_xvfb_pids:-} $xvfb_pid"
    : >"$scratch/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $scratch/display ]] && break
        sleep 0.05
    done
    [[ -s $scratch/display ]] || {
        echo "Xvfb did not start" >&2
        exit 1
    }
    export DISPLAY=:$(cat "$scratch/display")
}
start_display
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# Where on the game window to click the menu bar's "Расставить", and a point
# inside cell 1 that shows the board colour until a board is laid out. The
# window sits at the screen's top-left corner: there is no window manager.
arrange_x=150 arrange_y=9
cell_x=48 cell_y=63
board_colour=3c4a5a

bare_menu=("$bare" --menu-bar)

# Starts a program; once its window is mapped, prints "PID MS". Runs in this
# shell, not a subshell, so that a display started again is kept.
launch() {
    local who=$1
    local -n command=$who
    "$probe" launch "${command[@]}" && return
    "$probe" pixel 0 0 >/dev/null 2>&1 && exit 1 # the display is there: a real failure
    echo "(the display went away; starting another and running again)" >&2
    start_display
    "$probe" launch "${command[@]}"
}

# Lays out the game's board by clicking "Расставить", as a player would.
arrange() {
    local pid=$1 window
    window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
    xdotool mousemove --window "$window" "$arrange_x" "$arrange_y" click 1
    sleep 0.3
    [[ $("$probe" pixel "$cell_x" "$cell_y") != "$board_colour" ]] || {
        echo "the click on Расставить did not lay out the board" >&2
        exit 1
    }
}

# CPU time of all the program's threads in nanoseconds, finer than the clock
# ticks of /proc/PID/stat.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%.0f\n", t }'; }
# The main thread sleeps between timer ticks: its voluntary switches count its wake-ups.
wakeups() { awk '/^voluntary_ctxt_switches:/ { print $2 }' "/proc/$1/status"; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
# The programs are not this shell's children (x_probe started them), so
# their end is awaited by watching /proc.
stop() {
    kill "$1"
    for _ in $(seq 100); do
        [[ -e /proc/$1 ]] || break
        sleep 0.02
    done
    app_pid=""
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Start-up time and peak memory, the programs in turn.
for who in game bare bare_menu; do
    : >"$scratch/start.$who" >"$scratch/hwm.$who"
done
for _ in $(seq "$runs"); do
    for who in game bare bare_menu; do
        launch "$who" >"$scratch/launched"
        read -r app_pid ms <"$scratch/launched"
        [[ $who == game ]] && arrange "$app_pid" || sleep 0.3
        sleep 1 # a second of ticks on the board
        echo "$ms" >>"$scratch/start.$who"
        hwm_kb "$app_pid" >>"$scratch/hwm.$who"
        stop "$app_pid"
    done
done

# CPU share over the idle period, the two programs in turn.
: >"$scratch/cpu.game" >"$scratch/cpu.bare" >"$scratch/wake.game" >"$scratch/wake.bare"
for _ in $(seq "$cpu_runs"); do
    for who in game bare; do
        launch "$who" >"$scratch/launched"
        read -r app_pid _ <"$scratch/launched"
        [[ $who == game ]] && arrange "$app_pid" || sleep 0.3
        sleep 1
        t0=$(date +%s.%N) c0=$(cpu_ns "$app_pid") w0=$(wakeups "$app_pid")
        sleep "$idle"
        t1=$(date +%s.%N) c1=$(cpu_ns "$app_pid") w1=$(wakeups "$app_pid")
        awk -v w="$((w1 - w0))" -v t0="$t0" -v t1="$t1" \
            'BEGIN { printf "%.0f\n", w / (t1 - t0) }' >>"$scratch/wake.$who"
        awk -v c="$((c1 - c0))" -v t0="$t0" -v t1="$t1" \
            'BEGIN { printf "%.3f\n", 100 * c / 1e9 / (t1 - t0) }' >>"$scratch/cpu.$who"
        stop "$app_pid"
    done
done

m() { median <"$scratch/$1"; }
start_game=$(m start.game) start_bare=$(m start.bare)
hwm_game=$(m hwm.game) hwm_bare=$(m hwm.bare)
start_menu=$(m start.bare_menu) hwm_menu=$(m hwm.bare_menu)
cpu_game=$(m cpu.game) cpu_bare=$(m cpu.bare)
wake_game=$(m wake.game) wake_bare=$(m wake.bare)

verdict() { awk -v ok="$1" 'BEGIN { print (ok ? "met" : "MISSED") }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
le() { awk -v a="$1" -v b="$2" 'BEGIN { print (a <= b) }'; }

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "Build: $build ($(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt"))"
echo "Medians of $runs start-ups and $cpu_runs idle periods of ${idle} s each, game and bare window in turn"
echo "  (all runs: start ms game $(paste -sd' ' "$scratch/start.game") / bare $(paste -sd' ' "$scratch/start.bare");"
echo "   VmHWM KiB game $(paste -sd' ' "$scratch/hwm.game") / bare $(paste -sd' ' "$scratch/hwm.bare");"
echo "   CPU % game $(paste -sd' ' "$scratch/cpu.game") / bare $(paste -sd' ' "$scratch/cpu.bare"))"
echo
fmt="%-30s %12s %12s %7s   %-28s %s\n"
# shellcheck disable=SC2059
printf "$fmt" figure game bare ratio goal verdict
r=$(ratio "$start_game" "$start_bare")
printf "$fmt" "start to mapped window (ms)" "$start_game" "$start_bare" "$r" "<= 1.25x bare and < 100 ms" \
    "$(verdict "$(awk -v r="$r" -v g="$start_game" 'BEGIN { print (r <= 1.25 && g < 100) }')")"
r=$(ratio "$cpu_game" "$cpu_bare")
printf "$fmt" "CPU idling, dealt board (%)" "$cpu_game" "$cpu_bare" "$r" "<= 1.15x bare" \
    "$(verdict "$(le "$r" 1.15)")"
printf "$fmt" "  main-thread wake-ups per s" "$wake_game" "$wake_bare" "$(ratio "$wake_game" "$wake_bare")" \
    "(about 1000: the timer runs)" ""
r=$(ratio "$hwm_game" "$hwm_bare")
printf "$fmt" "peak resident, VmHWM (KiB)" "$hwm_game" "$hwm_bare" "$r" "<= 1.25x bare" \
    "$(verdict "$(le "$r" 1.25)")"
echo
echo "Beside a bare window that also has the game's menu bar (bare_window --menu-bar), which"
echo "pays for loading fonts as the game does:"
printf "$fmt" "start to mapped window (ms)" "$start_game" "$start_menu" "$(ratio "$start_game" "$start_menu")" "" ""
printf "$fmt" "peak resident, VmHWM (KiB)" "$hwm_game" "$hwm_menu" "$(ratio "$hwm_game" "$hwm_menu")" "" ""
