#!/usr/bin/env bash
# Whole-process figures for the game, each beside the same figure for a bare
# Qt window (the game's menu bar, its size and the same 1 ms precise timer,
# whose ticks do nothing) and, for idle CPU, beside the floor: a 1 ms timerfd
# loop with no toolkit, what any program that wakes a thousand times a second
# costs on this machine.
#
#   start to window on the screen and peak memory, under Xvfb;
#   CPU while idling on a laid-out board, under Xvfb, under openbox, under
#   a headless sway (Wayland) and under a nested GNOME Shell, with or
#   without a screen reader.
#
# The programs run on desktops of the end-to-end suite's own, started, found
# and played through a session driver on its harness (see session.sh). They run in turn,
# round after round, and medians are quoted, so that a machine busy with
# something else weighs on all of them alike; still, the figures mean
# something only on an otherwise idle machine.
#
#   bench/figures.sh [BUILD_DIR]       (BUILD_DIR defaults to build-bench/, configured here)
#   START_RUNS=7 ROUNDS=5 IDLE_SECONDS=8 DESKTOPS="x11 openbox sway gnome" bench/figures.sh
#   READER=orca DESKTOPS=openbox bench/figures.sh   (Orca runs first on each desktop)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-}
start_runs=${START_RUNS:-7}
rounds=${ROUNDS:-5}
idle=${IDLE_SECONDS:-8}
desktops=${DESKTOPS:-x11 sway}
export DVIGUSHKI_SESSION_READER=${READER:-}

# The build folder, and how to start the game and its yardsticks, and end them.
source "$repo/bench/session.sh"
cmake --build "$build" --target bench --parallel 2 >/dev/null
bare=$build/bench/dvigushki_bare_window
floor=$build/bench/timerfd_floor

# CPU time of all a process's threads in nanoseconds, from the scheduler's own
# accounting: far finer than the 10 ms clock ticks of /proc/PID/stat.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%.0f\n", t }'; }
# The main thread sleeps between timer ticks: its voluntary switches count its wake-ups.
wakeups() { awk '/^voluntary_ctxt_switches:/ { print $2 }' "/proc/$1/status"; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
all() { paste -sd' ' "$scratch/$1"; }
m() { median <"$scratch/$1"; }

# Starts WHO (game, bare or floor) on DESKTOP.
start() {
    case $2 in
    game) start_on "$1" ;;
    bare) start_on "$1" "$bare" --menu-bar ;;
    floor) start_plain "$floor" ;;
    esac
}

# Measures the program idling: CPU share and wake-ups per second over the
# idle period, appended to $scratch/cpu.NAME and $scratch/wake.NAME.
measure_idle() {
    local name=$1 pid=$program_pid t0 t1 c0 c1 w0 w1
    t0=$(date +%s.%N) c0=$(cpu_ns "$pid") w0=$(wakeups "$pid")
    sleep "$idle"
    t1=$(date +%s.%N) c1=$(cpu_ns "$pid") w1=$(wakeups "$pid")
    awk -v c="$((c1 - c0))" -v t0="$t0" -v t1="$t1" \
        'BEGIN { printf "%.3f\n", 100 * c / 1e9 / (t1 - t0) }' >>"$scratch/cpu.$name"
    awk -v w="$((w1 - w0))" -v t0="$t0" -v t1="$t1" \
        'BEGIN { printf "%.0f\n", w / (t1 - t0) }' >>"$scratch/wake.$name"
}

# Start-up time and peak memory, the two windows in turn, under Xvfb.
start_figures() {
    local who
    for who in game bare; do
        : >"$scratch/start.$who"
        : >"$scratch/hwm.$who"
    done
    for _ in $(seq "$start_runs"); do
        for who in game bare; do
            start x11 "$who"
            sleep 1 # a second of ticks on the board
            echo "$program_ms" >>"$scratch/start.$who"
            hwm_kb "$program_pid" >>"$scratch/hwm.$who"
            end_program
        done
    done
}

# Idle CPU on DESKTOP: game, bare window and floor in turn, round after round.
idle_figures() {
    local desktop=$1 who
    for who in game bare floor; do
        : >"$scratch/cpu.$desktop.$who"
        : >"$scratch/wake.$desktop.$who"
    done
    for _ in $(seq "$rounds"); do
        for who in game bare floor; do
            start "$desktop" "$who"
            sleep 1
            measure_idle "$desktop.$who"
            end_program
        done
    done
}

report_idle() {
    local d=$1
    printf "%-34s %10s %10s %10s %10s %10s %10s\n" "idle CPU, laid-out board: $2" game bare floor \
        "game/bare" "game/floor" "bare/floor"
    printf "%-34s %10s %10s %10s %10s %10s %10s\n" "  % of a core" \
        "$(m "cpu.$d.game")" "$(m "cpu.$d.bare")" "$(m "cpu.$d.floor")" \
        "$(ratio "$(m "cpu.$d.game")" "$(m "cpu.$d.bare")")" \
        "$(ratio "$(m "cpu.$d.game")" "$(m "cpu.$d.floor")")" \
        "$(ratio "$(m "cpu.$d.bare")" "$(m "cpu.$d.floor")")"
    printf "%-34s %10s %10s %10s\n" "  wake-ups per second" \
        "$(m "wake.$d.game")" "$(m "wake.$d.bare")" "$(m "wake.$d.floor")"
    echo "  all rounds, % of a core: game $(all "cpu.$d.game") / bare $(all "cpu.$d.bare") / floor $(all "cpu.$d.floor")"
    echo
}

fmt="%-34s %10s %10s %10s   %s\n"
echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg) before the run"
echo "Build: $build ($(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt"))"
echo "Medians of $start_runs start-ups, and of $rounds rounds of ${idle} s idle periods;"
echo "the programs alternate within each round. Bare window: bare_window --menu-bar."
echo "Start-up runs from the program's start to its window on the screen, looked for"
echo "every millisecond. Only an otherwise idle machine gives figures worth quoting."
[[ -z $DVIGUSHKI_SESSION_READER ]] ||
    echo "Screen reader: $DVIGUSHKI_SESSION_READER, started on each desktop before the program."
echo

start_figures
printf "$fmt" "under Xvfb" game bare "game/bare" ""
printf "$fmt" "start to window on screen (ms)" "$(m start.game)" "$(m start.bare)" \
    "$(ratio "$(m start.game)" "$(m start.bare)")" "all: $(all start.game) / $(all start.bare)"
printf "$fmt" "peak resident, VmHWM (KiB)" "$(m hwm.game)" "$(m hwm.bare)" \
    "$(ratio "$(m hwm.game)" "$(m hwm.bare)")" "all: $(all hwm.game) / $(all hwm.bare)"
echo

for desktop in $desktops; do
    case $desktop in
    x11)
        idle_figures x11
        report_idle x11 "Xvfb"
        ;;
    openbox)
        idle_figures openbox
        report_idle openbox "openbox"
        ;;
    sway | gnome)
        if [[ -x /usr/bin/$desktop || -x /usr/bin/$desktop-shell ]]; then
            idle_figures "$desktop"
            report_idle "$desktop" "$desktop"
        else
            echo "(no $desktop figures: it is not installed)"
        fi
        ;;
    *)
        echo "DESKTOPS lists x11, openbox, sway and gnome, not $desktop" >&2
        exit 1
        ;;
    esac
done
