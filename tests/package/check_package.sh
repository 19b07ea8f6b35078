#!/usr/bin/env bash
# Puts a built Debian package through the gates Debian applies to a package,
# after what they do not look at:
# - what it holds, and that every place naming its version agrees;
# - hardening-check on the game's binary;
# - piuparts: installed and purged on a clean tree of this machine's release,
#   made from Debian's archive and kept a week in /var/cache/dvigushki;
# - autopkgtest, with the null backend (this machine): the tests in
#   debian/tests against the installed package, then the package and whatever
#   apt brought in for them are purged again. The machine's packages are left
#   as they were, also when a check fails.
# autopkgtest's and piuparts' logs go beside the package. --tests NAMES runs
# only those tests of debian/tests (a comma-separated list). Needs root.
#   check_package.sh [--tests NAMES] PACKAGE.deb
set -uo pipefail
tests=()
if [[ ${1:-} == --tests ]]; then
    IFS=, read -r -a names <<<"$2"
    for name in "${names[@]}"; do tests+=(--test-name "$name"); done
    shift 2
fi
deb=$(realpath "$1")
out=$(dirname "$deb")
root=$(realpath "$(dirname "$0")/../..")
id=io.github.dvigushki.Dvigushki
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

# --- hardening -----------------------------------------------------------------------
work=$(mktemp -d)
trap 'rm -rf "$work"; exit $((failures ? 1 : 0))' EXIT
dpkg-deb -x "$deb" "$work/unpacked"
# Debian 13's hardening-check looks for AArch64's branch protection note on
# every architecture, where no x86 binary can carry it, and for x86's
# control-flow note on arm64 too: each machine leaves out the other's check.
other_architecture=()
case $(dpkg --print-architecture) in
amd64 | i386)
    # Debian 12's has neither the check nor the option; the tool is a script,
    # and its help needs perldoc, which a minimal system lacks.
    grep -q -- nobranchprotection "$(command -v hardening-check)" &&
        other_architecture=(--nobranchprotection)
    ;;
arm64) other_architecture=(--nocfprotection) ;;
esac
hardening-check "${other_architecture[@]}" "$work/unpacked/usr/games/dvigushki" ||
    fail "hardening-check usr/games/dvigushki"

# --- piuparts --------------------------------------------------------------------
# A clean tree of this machine's release, as Debian's own piuparts runs start
# from, made afresh once a week.
# shellcheck source=/dev/null
. /etc/os-release
base=/var/cache/dvigushki/piuparts-$VERSION_CODENAME.tar.gz
if [[ -z $(find "$base" -mtime -7 2>/dev/null) ]]; then
    mkdir -p /var/cache/dvigushki
    # mmdebstrap tells the tarball's format by the file's name.
    if mmdebstrap --variant=minbase "$VERSION_CODENAME" "$work/base.tar.gz" \
        >"$work/mmdebstrap.log" 2>&1; then
        mv "$work/base.tar.gz" "$base"
    else
        cat "$work/mmdebstrap.log"
        fail "mmdebstrap $VERSION_CODENAME, for piuparts' base"
    fi
fi
if [[ -f $base ]]; then
    # The upgrade test needs an earlier version to come from; this package
    # has had no other, and is in no archive.
    if piuparts --no-upgrade-test -d "$VERSION_CODENAME" -b "$base" "$deb" >"$out/piuparts.log" 2>&1; then
        grep -E 'INFO: PASS:' "$out/piuparts.log" | sed 's/^.*INFO: /piuparts: /'
    else
        tail -n 30 "$out/piuparts.log"
        fail "piuparts (whole log: $out/piuparts.log)"
    fi
fi

# --- autopkgtest -----------------------------------------------------------------
# Other worktrees on this machine may run the same check: one at a time. The
# lock is dpkg's database folder, which is always there, so no lock file is
# left behind (dpkg's own locks are fcntl locks, which flock never meets).
exec 8</var/lib/dpkg
flock 8

status=$(dpkg-query -W -f='${db:Status-Status}' dvigushki 2>/dev/null)
if [[ -n $status && $status != not-installed ]]; then
    echo "FAIL: dvigushki is already on this machine ($status); autopkgtest installs and"
    echo "      this check removes its own build, so remove it first: apt-get purge dvigushki"
    exit 1
fi

# Every package dpkg knows in some state other than not-installed.
known_packages() {
    dpkg-query -W -f='${db:Status-Status} ${binary:Package}\n' | awk '$1 != "not-installed" { print $2 }' | sort
}
packages_before=$work/before
known_packages >"$packages_before"
cleanup() {
    # The game and anything apt brought in for its tests go again.
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

# The tests run from a clean copy of the sources, as a source package holds them.
"$root/tools/copy-checkout" "$work/source"
rm -rf "$out/autopkgtest"
autopkgtest --output-dir "$out/autopkgtest" "${tests[@]}" "$deb" "$work/source" -- null \
    >"$work/autopkgtest.log" 2>&1
status=$?
summary=$out/autopkgtest/summary
sed 's/^/autopkgtest: /' "$summary" 2>/dev/null
# Debian 13's autopkgtest exits with 8 when every test it ran is superficial,
# as with --tests desktop-entry alone; each of them must still have passed.
if ((status == 8)) && [[ -s $summary ]] && ! grep -qv ' PASS' "$summary"; then
    status=0
fi
if ((status != 0)); then
    tail -n 60 "$work/autopkgtest.log"
    fail "autopkgtest exited with $status (logs: $out/autopkgtest)"
fi
