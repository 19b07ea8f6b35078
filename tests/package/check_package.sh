#!/usr/bin/env bash
# Puts a built Debian package through the gates Debian applies to a package,
# after what they do not look at:
# - what it holds, and that every place naming its version agrees;
# - hardening-check on the game's binary;
# - piuparts: installed and purged on a clean tree of this machine's release
#   (as root only);
# - autopkgtest: the tests in debian/tests against the package installed in
#   a tree of its own.
# The trees are made from Debian's archive by tools/debian-tree and kept a
# week in the user's cache folder. Each gate runs in mount and PID
# namespaces of its own (as anyone but root, in a user namespace too), so
# nothing is installed on this machine, whether or not the game already is,
# and nothing needs sudo. autopkgtest's and piuparts' logs go beside the
# package. --tests NAMES runs only those tests of debian/tests (a
# comma-separated list); the test command runs desktop-entry alone, since it
# runs the end-to-end suites on the package's binary itself.
#   check_package.sh [--tests NAMES] PACKAGE.deb
set -uo pipefail
# piuparts lives in /usr/sbin, which a user's PATH may lack.
PATH=$PATH:/usr/sbin:/sbin
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
cleanup() {
    # A user namespace's tree holds files of subordinate ids: it goes from there.
    [[ -d $work/tree ]] && as_tree_root rm -rf "$work/tree"
    rm -rf "$work"
}
trap 'cleanup; exit $((failures ? 1 : 0))' EXIT
dpkg-deb -x "$deb" "$work/unpacked"
# The checks a binary of this architecture cannot pass, each with its reason:
skipped=()
case $(dpkg --print-architecture) in
amd64 | i386)
    # Control-flow protection: the game's own code is compiled with
    # -fcf-protection, but the C start files (Scrt1.o, crti.o), libc,
    # libstdc++ and Qt carry no CET note, so the linker rightly leaves the
    # binary unmarked. Forcing the mark would claim what the process cannot
    # keep.
    skipped+=(--nocfprotection)
    # Debian 13's hardening-check also looks for AArch64's branch protection
    # note on every architecture. Debian 12's has neither the check nor the
    # option; the tool is a script, and its help needs perldoc, which a
    # minimal system lacks.
    grep -q -- nobranchprotection "$(command -v hardening-check)" &&
        skipped+=(--nobranchprotection)
    ;;
arm64) skipped+=(--nocfprotection) ;;
esac
hardening-check "${skipped[@]}" "$work/unpacked/usr/games/dvigushki" ||
    fail "hardening-check usr/games/dvigushki"

# Runs a command as root of mount and PID namespaces of its own, which end
# with it; as anyone else, inside a user namespace of their own as well,
# mapped to their subordinate ids, as mmdebstrap and autopkgtest do.
as_tree_root() {
    local user=()
    (($(id -u) == 0)) || user=(--map-auto --map-root-user)
    unshare "${user[@]}" --mount --pid --fork --kill-child --propagation private -- "$@"
}

# shellcheck source=/dev/null
. /etc/os-release
release=$VERSION_CODENAME

# --- piuparts --------------------------------------------------------------------
# A clean tree of this machine's release, as Debian's own piuparts runs start
# from. The upgrade test needs an earlier version to come from; this package
# has had no other, and is in no archive. piuparts makes device nodes in its
# tree, which no user namespace may do (nor bind the machine's /dev there,
# whose own mounts are locked to it): so it needs root, and anyone else is
# told it was left out.
if (($(id -u) != 0)); then
    echo "piuparts: SKIP: it needs root, which this check does not ask for; run as root,"
    echo "          as CI does, for it"
elif base=$("$root/tools/debian-tree" "$release" piuparts-base.tar.gz 2>"$work/tree.log"); then
    if as_tree_root piuparts --no-upgrade-test --tmpdir "$work" -d "$release" -b "$base" "$deb" \
        >"$out/piuparts.log" 2>&1; then
        grep -E 'INFO: PASS:' "$out/piuparts.log" | sed 's/^.*INFO: /piuparts: /'
    else
        tail -n 30 "$out/piuparts.log"
        fail "piuparts (whole log: $out/piuparts.log)"
    fi
else
    cat "$work/tree.log"
    fail "no tree of $release for piuparts"
fi

# --- autopkgtest -----------------------------------------------------------------
# The tree holds what the tests and the game depend on (the first of each
# set of alternatives), so that a run downloads nothing but the package's
# own dependencies that changed since the tree was made.
mapfile -t needs < <(
    {
        sed -n 's/^Depends://p' "$root/debian/tests/control"
        dpkg-deb -f "$deb" Depends
    } | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/[[:space:]]//g' | grep -vE '^(@|dvigushki$|$)' | sort -u
)
if tree_tarball=$("$root/tools/debian-tree" "$release" autopkgtest.tar -- "${needs[@]}" 2>"$work/tree.log"); then
    # The tests run from a clean copy of the sources, as a source package
    # holds them.
    "$root/tools/copy-checkout" "$work/source"
    rm -rf "$out/autopkgtest"
    mkdir -p "$work/tree"
    # shellcheck disable=SC2016 # expanded by the namespace's bash
    as_tree_root bash -c '
        set -e
        tree=$1 tarball=$2
        shift 2
        tar -xf "$tarball" -C "$tree"
        mkdir -p "$tree/dev"
        mount --rbind /dev "$tree/dev"
        mount -t proc proc "$tree/proc"
        mount --rbind /sys "$tree/sys"
        mount -t tmpfs -o mode=1777 tmpfs "$tree/dev/shm"
        cp /etc/resolv.conf "$tree/etc/resolv.conf"
        # mmdebstrap leaves no package lists behind; apt finds the test
        # dependencies that the tree lacks with them.
        chroot "$tree" apt-get update -qq
        exec autopkgtest "$@" -- chroot "$tree"
    ' bash "$work/tree" "$tree_tarball" --output-dir "$out/autopkgtest" "${tests[@]}" \
        "$deb" "$work/source" >"$work/autopkgtest.log" 2>&1
    status=$?
    summary=$out/autopkgtest/summary
    sed 's/^/autopkgtest: /' "$summary" 2>/dev/null
    # Debian 13's autopkgtest exits with 8 when every test it ran is
    # superficial, as with --tests desktop-entry alone; each of them must
    # still have passed.
    if ((status == 8)) && [[ -s $summary ]] && ! grep -qv ' PASS' "$summary"; then
        status=0
    fi
    if ((status != 0)); then
        tail -n 60 "$work/autopkgtest.log"
        fail "autopkgtest exited with $status (logs: $out/autopkgtest)"
    fi
else
    cat "$work/tree.log"
    fail "no tree of $release for autopkgtest"
fi
