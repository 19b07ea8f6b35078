#!/usr/bin/env bash
# Installs a built tree into a scratch prefix and checks that it makes a
# desktop program there: the binary, a desktop entry that launches it with an
# icon that exists, and metainfo that names that entry, each where desktop
# software looks for it and each clean under its validator.
#   check_install.sh BUILD_DIR
set -uo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

command -v desktop-file-validate >/dev/null || {
    echo "FAIL: desktop-file-validate is not installed (see tools/debian-packages.txt)"
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null || {
    echo "FAIL: cmake --install into $prefix"
    exit 1
}

[[ -x $prefix/bin/dvigushki ]] || fail "bin/dvigushki is missing or not executable"

# The metainfo names the application; everything else follows from its id.
shopt -s nullglob
metainfos=("$prefix"/share/metainfo/*.metainfo.xml)
((${#metainfos[@]} == 1)) || {
    echo "FAIL: expected one metainfo file in share/metainfo, found ${#metainfos[@]}"
    exit 1
}
metainfo=${metainfos[0]}
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo" | head -n 1)
[[ $(basename "$metainfo") == "$id.metainfo.xml" ]] ||
    fail "metainfo file $(basename "$metainfo") is not named after its id '$id'"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $id.desktop"

desktop=$prefix/share/applications/$id.desktop
if [[ -f $desktop ]]; then
    out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $out ]] ||
        fail "desktop-file-validate: $out"
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    [[ -x $prefix/bin/${exec_line%% *} ]] || fail "Exec=$exec_line is not an installed binary"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [[ $icon == "$id" ]] || fail "Icon=$icon is not the application id"
else
    fail "share/applications/$id.desktop is missing"
fi

out=$("$(dirname "$0")/validate_appstream.sh" "$prefix") || fail "$out"

# Every icon lies in a hicolor size folder that matches its pixel size.
icons=("$prefix"/share/icons/hicolor/*/apps/"$id".png)
((${#icons[@]} > 0)) || fail "no $id.png in share/icons/hicolor/*/apps"
for png in "${icons[@]}"; do
    folder=$(basename "$(dirname "$(dirname "$png")")")
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [[ $(head -c 8 "$png" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
        fail "$png is not a PNG"
    [[ $folder == "${width}x${height}" ]] || fail "$png is ${width}x${height}, in folder $folder"
done

if ((failures)); then
    exit 1
fi
echo "installed and valid under $prefix: bin/dvigushki, $id.desktop, $id.metainfo.xml, ${#icons[@]} icons"
