# Sourced by figures.sh and profile.sh: a display of the script's own, and
# the game and its yardsticks started and played on it the way a player would.
# Expects $scratch (a scratch folder), $probe (x_probe) and the array pids
# (servers to stop on exit).

# ---------------------------------------------------------------- X11 (Xvfb)
# A display of its own, on whichever number is free, with no window manager.
x11_start() {
    : >"$scratch/display"
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp \
        3>"$scratch/display" 2>"$scratch/xvfb.log" &
    pids+=($!)
    for _ in $(seq 100); do
        [[ -s $scratch/display ]] && break
        sleep 0.05
    done
    [[ -s $scratch/display ]] || {
        echo "Xvfb did not start" >&2
        exit 1
    }
    export DISPLAY=:$(cat "$scratch/display")
    export XDG_RUNTIME_DIR=$scratch/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

# Starts a windowed program; once its window is mapped, prints "PID MS".
x11_launch() { "$probe" launch "$@"; }

# Where the window is on the screen, wherever it was put: "X Y".
x11_origin() {
    local window
    window=$(xdotool search --sync --onlyvisible --pid "$1" | head -n 1)
    xdotool getwindowgeometry --shell "$window" | awk -F= '/^X=/ { x = $2 } /^Y=/ { y = $2 } END { print x, y }'
}

# Lays out the game's board as a player would, by clicking "Расставить" on the
# menu bar, and checks that cell 1 then shows a tile instead of the board colour.
x11_arrange() {
    local x y
    read -r x y < <(x11_origin "$1")
    xdotool mousemove "$((x + 150))" "$((y + 9))" click 1
    sleep 0.3
    [[ $("$probe" pixel "$((x + 48))" "$((y + 63))") != 3c4a5a ]] || {
        echo "the click on Расставить did not lay out the board" >&2
        exit 1
    }
}

# ------------------------------------------------------------- Wayland (sway)
wayland_available() { false; }

