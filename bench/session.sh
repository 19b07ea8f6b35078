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

# ------------------------------------------------------------- Wayland (sway)
# A headless sway of the script's own. sway will not run as root, so it and
# every program on it run as the system user the end-to-end suite uses; the
# suite's pointer client, kept connected from before the first window, clicks
# through the compositor.
wayland_user=dvigushki-e2e
pointer_client=$build/tests/e2e/dvigushki_virtual_pointer

wayland_available() { command -v sway >/dev/null && [[ -x $pointer_client ]]; }

# The sway user's session, as a command prefix: `"${as_wayland_user[@]}" PROGRAM &`
# is a simple command, so $! is the program's own PID (setpriv and env exec).
set_wayland_user() {
    as_wayland_user=(setpriv --reuid="$wayland_user" --regid="$wayland_user" --init-groups
        env -i PATH=/usr/bin:/bin HOME="$wayland_runtime" LANG=C.UTF-8
        XDG_RUNTIME_DIR="$wayland_runtime")
    # Set only once sway is up: sway itself takes an empty one for a name.
    [[ -n ${wayland_display:-} ]] && as_wayland_user+=(WAYLAND_DISPLAY="$wayland_display")
    [[ -n ${sway_socket:-} ]] && as_wayland_user+=(SWAYSOCK="$sway_socket")
    true
}
wayland_pids=()

wayland_start() {
    id "$wayland_user" >/dev/null 2>&1 ||
        useradd --system --user-group --no-create-home --home-dir /nonexistent \
            --shell /usr/sbin/nologin "$wayland_user"
    wayland_runtime=$(mktemp -d /tmp/dvigushki-wayland-XXXXXX)
    chown "$wayland_user:$wayland_user" "$wayland_runtime"
    chmod 700 "$wayland_runtime"
    printf '%s\n' "output * mode 1024x768 position 0 0 scale 1" "default_border none" \
        "default_floating_border none" "xwayland disable" >"$wayland_runtime/sway.conf"
    set_wayland_user
    "${as_wayland_user[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway --config "$wayland_runtime/sway.conf" 2>"$scratch/sway.log" &
    wayland_pids+=($!)
    for _ in $(seq 200); do
        wayland_display=$(cd "$wayland_runtime" && ls wayland-? 2>/dev/null | head -n 1 || true)
        sway_socket=$(ls "$wayland_runtime"/sway-ipc.*.sock 2>/dev/null | head -n 1 || true)
        [[ -n $wayland_display && -n $sway_socket ]] && break
        sleep 0.05
    done
    [[ -n $wayland_display && -n $sway_socket ]] || {
        echo "sway did not start; see its log:" >&2
        cat "$scratch/sway.log" >&2
        exit 1
    }
    set_wayland_user
    mkfifo "$scratch/pointer.in"
    "${as_wayland_user[@]}" "$pointer_client" 1024 768 <"$scratch/pointer.in" >"$scratch/pointer.out" &
    wayland_pids+=($!)
    exec {pointer_fd}>"$scratch/pointer.in"
    pointer "move 1023 767"
}

wayland_stop() {
    if [[ -n ${pointer_fd:-} ]]; then
        exec {pointer_fd}>&-
        pointer_fd=""
    fi
    for pid in "${wayland_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wayland_pids=()
    if [[ -n ${wayland_runtime:-} ]]; then
        rm -rf "$wayland_runtime"
        wayland_runtime=""
    fi
}

# One command to the pointer client, and its answer awaited.
pointer() {
    local answered
    answered=$(grep -c . "$scratch/pointer.out" 2>/dev/null || true)
    echo "$1" >&"$pointer_fd"
    for _ in $(seq 200); do
        (($(grep -c . "$scratch/pointer.out") > answered)) && return
        sleep 0.01
    done
    echo "the pointer client did not answer '$1'" >&2
    exit 1
}

# The window of process PID as sway reports it: "X Y", or nothing yet.
wayland_origin() {
    "${as_wayland_user[@]}" swaymsg --raw -t get_tree |
        python3 -c 'import json, sys
def walk(node):
    if node.get("pid") == int(sys.argv[1]) and node.get("visible"):
        print(node["rect"]["x"], node["rect"]["y"])
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$1" | head -n 1
}

# Starts a program on sway; once its window shows, prints "PID MS".
wayland_launch() {
    local pid t0 t1
    t0=$(date +%s%N)
    "${as_wayland_user[@]}" QT_QPA_PLATFORM=wayland "$@" 2>>"$scratch/app.log" &
    pid=$!
    for _ in $(seq 400); do
        if [[ -n $(wayland_origin "$pid") ]]; then
            t1=$(date +%s%N)
            awk -v p="$pid" -v ns="$((t1 - t0))" 'BEGIN { printf "%d %.1f\n", p, ns / 1e6 }'
            return
        fi
        sleep 0.05
    done
    echo "$1 showed no window on sway" >&2
    exit 1
}

# Clicks "Расставить" through the compositor and checks cell 1 through grim.
wayland_arrange() {
    local x y colour
    read -r x y < <(wayland_origin "$1")
    pointer "click $((x + 150)) $((y + 9))"
    pointer "move 1023 767"
    sleep 0.3
    colour=$("${as_wayland_user[@]}" grim -g "$((x + 48)),$((y + 63)) 1x1" -t ppm - | tail -c 3 | od -An -tx1 | tr -d ' \n')
    [[ $colour != 3c4a5a ]] || {
        echo "the click on Расставить did not lay out the board under sway" >&2
        exit 1
    }
}

