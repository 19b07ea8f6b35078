#!/usr/bin/env bash
# Checks a built Debian package as a player meets it: what it holds and that
# its version agrees with the sources, then installs it with apt, starts the
# installed game the way a desktop does (its desktop entry's Exec line) on an
# X server of its own, sees the window with its caption and removes the
# package again. The machine's packages are left as they were, also when a
# check fails. Needs root, Xvfb and xdotool.
#   check_package.sh PACKAGE.deb
set -uo pipefail
deb=$(realpath "$1")
root=$(realpath "$(dirname "$0")/../..")
id=io.github.dvigushki.Dvigushki
caption=Двигушки
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# --- contents ------------------------------------------------------------------
contents=$(dpkg-deb -c "$deb" | awk '{ print $1, $6 }') || {
    echo "FAIL: dpkg-deb cannot read $deb"
    exit 1
}
# mode (a regular file, executable or not) and path of everything a player
# and the desktop look for
while read -r mode path; do
    grep -qxF -- "$mode $path" <<<"$contents" || fail "the package lacks $mode $path"
done <<EOF
-rwxr-xr-x ./usr/games/dvigushki
-rw-r--r-- ./usr/share/man/man6/dvigushki.6.gz
-rw-r--r-- ./usr/share/applications/$id.desktop
-rw-r--r-- ./usr/share/metainfo/$id.metainfo.xml
-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/$id.png
-rw-r--r-- ./usr/share/icons/hicolor/64x64/apps/$id.png
-rw-r--r-- ./usr/share/icons/hicolor/128x128/apps/$id.png
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/$id.png
-rw-r--r-- ./usr/share/doc/dvigushki/copyright
EOF
# A game lives in /usr/games, and nothing goes outside /usr/games and /usr/share.
stray=$(awk '{ print $2 }' <<<"$contents" | grep -vE '^\./(usr/((games|share)/.*)?)?$')
[[ -z $stray ]] || fail "outside /usr/games and /usr/share: $stray"

# --- one version and one date everywhere ---------------------------------------------
# Each place that names the version, as "where version date": the version must
# be what CMake's project() says and the date the changelog's, which the
# package build clamps the time of every file to.
changelog=$root/debian/changelog
project_version=$(sed -n 's/^project(dvigushki VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
changelog_date=$(date -u -d "$(dpkg-parsechangelog -l "$changelog" -SDate)" +%F)
metainfo_release=$(sed -n 's/.*<release version="\([^"]*\)" date="\([^"]*\)".*/\1 \2/p' \
    "$root/dist/$id.metainfo.xml" | head -n 1)
manual_page=$(sed -n 's/^\.TH [^ ]* 6 \([^ ]*\) "dvigushki \([^"]*\)".*/\2 \1/p' "$root/dist/dvigushki.6")
while read -r what version date; do
    [[ $version == "$project_version" ]] ||
        fail "$what says version '$version', CMakeLists.txt says '$project_version'"
    [[ $date == "$changelog_date" || $date == - ]] ||
        fail "$what is dated '$date', the changelog '$changelog_date'"
done <<EOF
debian/changelog $(dpkg-parsechangelog -l "$changelog" -SVersion) -
$(basename "$deb") $(dpkg-deb -f "$deb" Version) -
metainfo ${metainfo_release:-none none}
manual-page ${manual_page:-none none}
EOF

# --- installed -------------------------------------------------------------------
# Other worktrees on this machine may run the same check: one at a time. The
# lock is dpkg's database folder, which is always there, so no lock file is
# left behind (dpkg's own locks are fcntl locks, which flock never meets).
exec 8</var/lib/dpkg
flock 8

status=$(dpkg-query -W -f='${db:Status-Status}' dvigushki 2>/dev/null)
if [[ -n $status && $status != not-installed ]]; then
    echo "FAIL: dvigushki is already on this machine ($status); this check installs and"
    echo "      removes its own build, so remove it first: apt-get purge dvigushki"
    exit 1
fi

# Every package dpkg knows in some state other than not-installed.
known_packages() {
    dpkg-query -W -f='${db:Status-Status} ${binary:Package}\n' | awk '$1 != "not-installed" { print $2 }' | sort
}
work=$(mktemp -d)
packages_before=$work/before
known_packages >"$packages_before"
game=""
xvfb=""
cleanup() {
    [[ -n $game ]] && kill "$game" 2>/dev/null && wait "$game" 2>/dev/null
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    # The game and anything apt brought in for it go again.
    local added
    added=$(known_packages | comm -13 "$packages_before" -)
    if [[ -n $added ]]; then
        # shellcheck disable=SC2086
        if DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 $added \
            >"$work/purge.log" 2>&1; then
            echo "purged again: ${added//$'\n'/ }"
        else
            cat "$work/purge.log"
            echo "FAIL: apt-get purge ${added//$'\n'/ }"
            failures=$((failures + 1))
        fi
    fi
    [[ -e /usr/games/dvigushki ]] && {
        echo "FAIL: /usr/games/dvigushki is still there after the purge"
        failures=$((failures + 1))
    }
    rm -rf "$work"
}
trap 'cleanup; exit $((failures ? 1 : 0))' EXIT
trap 'failures=$((failures + 1)); exit 1' INT TERM

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$deb" \
    >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    fail "apt-get install $deb"
    exit 1
}

desktop=/usr/share/applications/$id.desktop
# The Exec line less its field codes, split into words as the desktop does for
# a line without quotes.
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[fFuUdDnNickvm]//g')
read -r -a command <<<"$exec_line"
# A player's session finds games on Debian's default user PATH, which root's
# PATH lacks.
player_path=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games
resolved=$(PATH=$player_path command -v "${command[0]}") || {
    fail "Exec=$exec_line: '${command[0]}' is not on a player's PATH"
    exit 1
}
[[ $(realpath "$resolved") == /usr/games/dvigushki ]] ||
    fail "Exec=$exec_line starts $resolved, not the installed /usr/games/dvigushki"

# Xvfb writes its display number into the pipe once it takes connections, and
# closes the pipe unwritten if it cannot start. It listens on an abstract
# socket only, so nothing is left in /tmp/.X11-unix.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -nolisten unix 3>"$work/displayfd" \
    2>"$work/xvfb.log" &
xvfb=$!
read -r display <"$work/displayfd" || {
    cat "$work/xvfb.log"
    fail "Xvfb did not start"
    exit 1
}

# A session's private runtime folder; without one Qt makes /tmp/runtime-root.
# No session bus: without an address libdbus starts one for the display
# (dbus-launch --autolaunch), and that daemon outlives the check.
mkdir -m 700 "$work/runtime"
env -u WAYLAND_DISPLAY PATH="$player_path" DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
    XDG_RUNTIME_DIR="$work/runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/runtime/no-bus" \
    "${command[@]}" >"$work/game.log" 2>&1 &
game=$!
# Whichever comes first: the game's window, or the game's end. The timeout
# only keeps a game that neither shows a window nor ends from hanging the run.
DISPLAY=":$display" timeout 120 xdotool search --sync --onlyvisible --pid "$game" \
    --name "^$caption\$" >"$work/window" 2>/dev/null &
search=$!
wait -n "$game" "$search"
if kill -0 "$search" 2>/dev/null; then
    kill "$search"
    cat "$work/game.log"
    fail "the installed game ended before it showed a window"
    game=""
    exit 1
fi
wait "$search" || {
    cat "$work/game.log"
    fail "no visible window of the installed game named '$caption' appeared"
    exit 1
}
window=$(head -n 1 "$work/window")
title=$(DISPLAY=":$display" xdotool getwindowname "$window")
[[ $title == "$caption" ]] || fail "the window's caption is '$title', not '$caption'"
[[ $(realpath "/proc/$game/exe") == /usr/games/dvigushki ]] ||
    fail "the window belongs to $(realpath "/proc/$game/exe"), not /usr/games/dvigushki"

((failures)) || echo "installed $(basename "$deb"), started it from $id.desktop" \
    "(Exec=$exec_line) and saw its window '$title'"
