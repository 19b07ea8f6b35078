#!/usr/bin/env bash
# Where the idle game spends its time: samples the running game with perf
# while it idles on a laid-out board under Xvfb (started through a session
# driver on the end-to-end suite's harness, see session.sh), and says what
# share of the samples fell in the game's own code and in picture handling
# (pixmaps, images, painting), beside the biggest single items. Only an
# otherwise idle machine gives shares worth quoting.
#
#   bench/profile.sh [BUILD_DIR]            (needs Debian's linux-perf)
#   SECONDS_SAMPLED=20 bench/profile.sh     (the default)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-}
sampled=${SECONDS_SAMPLED:-20}
command -v perf >/dev/null || {
    echo "perf is missing: apt install linux-perf" >&2
    exit 1
}

source "$repo/bench/session.sh"
cmake --build "$build" --target dvigushki dvigushki_session --parallel 2 >/dev/null
game=$build/ui/dvigushki

start_on x11
sleep 1
# Without the build-id cache, which perf would otherwise fill in ~/.debug.
perf record -q --no-buildid-cache -e cpu-clock -F 4000 -g -p "$program_pid" \
    -o "$scratch/perf.data" -- sleep "$sampled" >/dev/null 2>&1
end_program

report() { perf report -i "$scratch/perf.data" --no-children -g none --stdio "$@" 2>/dev/null; }
# "share symbol" lines, one a symbol, shares in percent of all samples.
report --sort dso,sym | awk '/%/ { share = $1; sub(/%/, "", share); $1 = ""; print share, $0 }' \
    >"$scratch/symbols"
samples=$(perf script -i "$scratch/perf.data" -F period 2>/dev/null | wc -l)
share() { awk -v pattern="$1" '$0 ~ pattern { s += $1 } END { printf "%.1f", s }' "$scratch/symbols"; }

echo "perf: $samples samples of the idle game over $sampled s, laid-out board, Xvfb"
echo "  (load average $(cut -d' ' -f1-3 /proc/loadavg) at the end)"
echo "  the game's own code:  $(share " $(basename "$game") ")%"
echo "  picture handling:     $(share 'QPixmap|QImage|QPainter|QRasterPaintEngine|QIcon|pictures::|CellImage::SetPicture|CellImage::paintEvent|Form1::Holder')%"
echo "  the kernel:           $(share '\[kernel')%"
echo "The biggest single items, % of all samples:"
sort -gr "$scratch/symbols" | head -n 12 | awk '{ printf "  %5.2f%% ", $1; $1 = ""; print }'
echo "The game's own code, % of all samples:"
grep " $(basename "$game") " "$scratch/symbols" | sort -gr | head -n 8 | awk '{ printf "  %5.2f%% ", $1; $1 = ""; $2 = ""; print }'
