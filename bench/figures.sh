#!/usr/bin/env bash
# Whole-process figures for the game, each beside the same figure for a bare
# Qt window (the game's menu bar, its size and the same 1 ms precise timer,
# whose ticks do nothing) and, for idle CPU, beside the floor: a 1 ms timerfd
# loop with no toolkit, what any program that wakes a thousand times a second
# costs on this machine.
#
#   start to mapped window and peak memory, under Xvfb;
#   CPU while idling on a dealt board, under Xvfb and, where sway is
#   installed, under a headless sway (Wayland).
#
# The programs are run in turn, round after round, and medians are quoted, so
# that a machine busy with something else weighs on all of them alike.
#
#   bench/figures.sh [BUILD_DIR]       (BUILD_DIR defaults to build/)
#   START_RUNS=7 ROUNDS=5 IDLE_SECONDS=8 PLATFORMS="x11 wayland" bench/figures.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
start_runs=${START_RUNS:-7}
rounds=${ROUNDS:-5}
idle=${IDLE_SECONDS:-8}
platforms=${PLATFORMS:-x11 wayland}

cmake --build "$build" --target bench --parallel 2 >/dev/null
game=$build/ui/dvigushki
bare=$build/bench/dvigushki_bare_window
floor=$build/bench/timerfd_floor
probe=$build/bench/x_probe

scratch=$(mktemp -d)
chmod 755 "$scratch"
pids=()    # servers this script started
app_pid="" # the program being measured
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    type wayland_stop >/dev/null 2>&1 && wayland_stop
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# CPU time of all a process's threads in nanoseconds, from the scheduler's own
# accounting: far finer than the 10 ms clock ticks of /proc/PID/stat.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%.0f\n", t }'; }
# The main thread sleeps between timer ticks: its voluntary switches count its wake-ups.
wakeups() { awk '/^voluntary_ctxt_switches:/ { print $2 }' "/proc/$1/status"; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
stop() {
    kill "$1" 2>/dev/null || true
    for _ in $(seq 100); do
        [[ -e /proc/$1 ]] || break
        sleep 0.02
    done
    app_pid=""
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
all() { paste -sd' ' "$scratch/$1"; }

# Measures one program idling: CPU share and wake-ups per second over the
# idle period, appended to $scratch/cpu.NAME and $scratch/wake.NAME.
measure_idle() {
    local name=$1 pid=$2 t0 t1 c0 c1 w0 w1
    t0=$(date +%s.%N) c0=$(cpu_ns "$pid") w0=$(wakeups "$pid")
    sleep "$idle"
    t1=$(date +%s.%N) c1=$(cpu_ns "$pid") w1=$(wakeups "$pid")
    awk -v c="$((c1 - c0))" -v t0="$t0" -v t1="$t1" \
        'BEGIN { printf "%.3f\n", 100 * c / 1e9 / (t1 - t0) }' >>"$scratch/cpu.$name"
    awk -v w="$((w1 - w0))" -v t0="$t0" -v t1="$t1" \
        'BEGIN { printf "%.0f\n", w / (t1 - t0) }' >>"$scratch/wake.$name"
}

# How to start a display and a program on it, and deal the board.
source "$repo/bench/session.sh"

# ------------------------------------------------------------------- figures
# Start-up time and peak memory, the programs in turn (X11 only: x_probe sees
# the map of the window).
start_figures() {
    local who pid ms
    : >"$scratch/start.game" >"$scratch/start.bare" >"$scratch/hwm.game" >"$scratch/hwm.bare"
    for _ in $(seq "$start_runs"); do
        for who in game bare; do
            if [[ $who == game ]]; then
                read -r pid ms < <(x11_launch "$game")
                app_pid=$pid
                x11_arrange "$pid"
            else
                read -r pid ms < <(x11_launch "$bare" --menu-bar)
                app_pid=$pid
                sleep 0.3
            fi
            sleep 1 # a second of ticks on the board
            echo "$ms" >>"$scratch/start.$who"
            hwm_kb "$pid" >>"$scratch/hwm.$who"
            stop "$pid"
        done
    done
}

# Idle CPU on PLATFORM: game (on a dealt board), bare window and floor in
# turn, round after round.
idle_figures() {
    local platform=$1 who pid
    for who in game bare floor; do
        : >"$scratch/cpu.$platform.$who" >"$scratch/wake.$platform.$who"
    done
    for _ in $(seq "$rounds"); do
        for who in game bare floor; do
            case $who in
            game)
                read -r pid _ < <("${platform}_launch" "$game")
                "${platform}_arrange" "$pid"
                ;;
            bare)
                read -r pid _ < <("${platform}_launch" "$bare" --menu-bar)
                ;;
            floor)
                "$floor" &
                pid=$!
                ;;
            esac
            app_pid=$pid
            sleep 1
            measure_idle "$platform.$who" "$pid"
            stop "$pid"
        done
    done
}

m() { median <"$scratch/$1"; }
fmt="%-34s %10s %10s %10s   %s\n"

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "Build: $build ($(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt"))"
echo "Medians of $start_runs start-ups, and of $rounds rounds of ${idle} s idle periods;"
echo "the programs alternate within each round. Bare window: bare_window --menu-bar."
echo

x11_start
start_figures
printf "$fmt" "under Xvfb" game bare "game/bare" ""
printf "$fmt" "start to mapped window (ms)" "$(m start.game)" "$(m start.bare)" \
    "$(ratio "$(m start.game)" "$(m start.bare)")" "all: $(all start.game) / $(all start.bare)"
printf "$fmt" "peak resident, VmHWM (KiB)" "$(m hwm.game)" "$(m hwm.bare)" \
    "$(ratio "$(m hwm.game)" "$(m hwm.bare)")" "all: $(all hwm.game) / $(all hwm.bare)"
echo

report_idle() {
    local p=$1
    printf "%-34s %10s %10s %10s %10s %10s %10s\n" "idle CPU, dealt board: $2" game bare floor \
        "game/bare" "game/floor" "bare/floor"
    printf "%-34s %10s %10s %10s %10s %10s %10s\n" "  % of a core" \
        "$(m cpu.$p.game)" "$(m cpu.$p.bare)" "$(m cpu.$p.floor)" \
        "$(ratio "$(m cpu.$p.game)" "$(m cpu.$p.bare)")" \
        "$(ratio "$(m cpu.$p.game)" "$(m cpu.$p.floor)")" \
        "$(ratio "$(m cpu.$p.bare)" "$(m cpu.$p.floor)")"
    printf "%-34s %10s %10s %10s\n" "  wake-ups per second" \
        "$(m wake.$p.game)" "$(m wake.$p.bare)" "$(m wake.$p.floor)"
    echo "  all rounds, % of a core: game $(all cpu.$p.game) / bare $(all cpu.$p.bare) / floor $(all cpu.$p.floor)"
    echo
}

for platform in $platforms; do
    case $platform in
    x11)
        idle_figures x11
        report_idle x11 "Xvfb"
        ;;
    wayland)
        if wayland_available; then
            wayland_start
            idle_figures wayland
            report_idle wayland "sway"
            wayland_stop
        else
            echo "(no Wayland figures: sway is not installed)"
        fi
        ;;
    esac
done
