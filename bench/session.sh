# shellcheck shell=bash disable=SC2034 # program_pid, program_ms: for the scripts that source this
# Sourced by figures.sh and profile.sh, after they set $build to the build
# folder they were given, or to nothing: build-bench/, configured here if need
# be. A sanitizer build (tools/test's build/) is refused: its figures would
# be the sanitizers'. Then: the game and its yardsticks started the way the end-to-end suite
# starts them, on a desktop of its own, through the session driver built on
# its harness (session_driver.cpp); and the clean-up that ends them all when
# the script ends, however it ends.
#
#   start_on DESKTOP [PROGRAM ARGS...]   x11, openbox, sway or gnome; without
#       PROGRAM the game, its board laid out. Sets program_pid, and
#       program_ms: the time from the program's start to its window on the
#       screen.
#   start_plain PROGRAM [ARGS...]        a program with no window (the floor);
#       sets program_pid.
#   end_program                          ends it, and its desktop.
#
# Sets $scratch, a folder that goes at the end.

build=$(realpath -m "${build:-$repo/build-bench}")
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
elif grep -q '^DVIGUSHKI_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    echo "$build is a sanitizer build: its figures would be the sanitizers'" >&2
    exit 1
fi
cmake --build "$build" --target dvigushki_session --parallel 2 >/dev/null
session_driver=$build/bench/dvigushki_session
[[ -x $session_driver ]] || {
    echo "$session_driver is missing: it is built on the end-to-end suite's harness" >&2
    echo "(not with -DDVIGUSHKI_E2E_TESTS=OFF)" >&2
    exit 1
}

scratch=$(mktemp -d)
session_pid=""
plain_pid=""
program_pid="" program_ms=""

start_on() {
    local desktop=$1 answered="" in out
    shift
    coproc session { exec "$session_driver" "$desktop" "$@"; }
    session_pid=$!
    # Copies of the coproc's ends, which bash drops once it ends; the
    # originals are closed, so that closing the copy ends the driver's input.
    in=${session[1]} out=${session[0]}
    exec {session_in}>&"$in" {session_out}<&"$out"
    exec {in}>&- {out}<&-
    read -r program_pid program_ms <&"$session_out" && answered=1
    exec {session_out}<&-
    [[ -n $answered ]] || {
        echo "no session on $desktop for ${1:-the game}; the driver said why above" >&2
        exit 1
    }
}

start_plain() {
    "$@" &
    plain_pid=$!
    program_pid=$plain_pid
}

end_program() {
    if [[ -n $session_pid ]]; then
        # The driver ends the program and the desktop once its input ends.
        exec {session_in}>&-
        wait "$session_pid" || true
        session_pid=""
    fi
    if [[ -n $plain_pid ]]; then
        kill "$plain_pid" 2>/dev/null || true
        wait "$plain_pid" 2>/dev/null || true
        plain_pid=""
    fi
    program_pid=""
}

session_cleanup() {
    end_program
    rm -rf "$scratch"
}
trap session_cleanup EXIT
trap 'exit 1' INT TERM HUP
