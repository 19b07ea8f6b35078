#!/usr/bin/env bash
# Validates the AppStream metainfo under an install tree with appstreamcli,
# each file alone and the whole tree as a software centre reads it (metainfo
# beside its desktop entry), and fails on any error or warning but one: the
# game has no home page, and names none rather than a made-up one, so the
# warning about a missing home page (AppStream 1.0 and later; 0.16 has no
# such check and no such tag to lower) is taken as a note.
#   validate_appstream.sh TREE
set -uo pipefail
tree=$1
command -v appstreamcli >/dev/null || {
    echo "FAIL: appstreamcli is not installed (see tools/debian-packages.txt)"
    exit 1
}
options=(--no-net)
version=$(appstreamcli --version | sed -n 's/^AppStream version: //p')
if dpkg --compare-versions "$version" ge 1.0; then
    options+=(--override=url-homepage-missing=info)
fi

failures=0
check() {
    local out status=0
    out=$(appstreamcli "$@" 2>&1) || status=$?
    if ((status)) || grep -Eq '^ *[EW]:' <<<"$out"; then
        echo "FAIL: appstreamcli $*:"
        echo "$out"
        failures=$((failures + 1))
    fi
}
shopt -s nullglob
files=("$tree"/share/metainfo/*.xml "$tree"/usr/share/metainfo/*.xml)
((${#files[@]})) || {
    echo "FAIL: no metainfo under $tree"
    exit 1
}
for file in "${files[@]}"; do
    check validate "${options[@]}" "$file"
done
check validate-tree "${options[@]}" "$tree"
exit $((failures ? 1 : 0))
