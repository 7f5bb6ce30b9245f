#!/bin/sh
# travikcam stream's report as a person sees it: headless Chromium renders the page, whose three
# plots must show, and the page's table must hold exactly the summary the run printed.
# Usage: stream-report-test.sh WINE-RUNNER TRAVIKCAM.EXE
set -eu
runner=$1
travikcam=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v chromium >/dev/null || { echo "chromium is missing: run ./travik setup" >&2; exit 1; }

# Device 2, which no other test of the suite streams from.
"$runner" "$travikcam" --device 2 stream --mode queue --buffers 3 --seconds 3 --hold-ms 2 \
    --report "Z:$(echo "$work/report.html" | tr / '\\')" | tr -d '\r' >"$work/run.txt"
grep -q '^frame [0-9]* *age ' "$work/run.txt" || { echo "no per-frame lines" >&2; exit 1; }

browse() { chromium --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" "$@" \
    "file://$work/report.html" 2>/dev/null; }

# The summary as printed, and as the rendered page holds it, one "name: value" line each.
sed -n '/^summary$/,$ s/^  \(.*\): \(.*\)$/\1: \2/p' "$work/run.txt" >"$work/printed.txt"
browse --dump-dom | sed -n 's:.*<tr><th>\(.*\)</th><td>\(.*\)</td></tr>.*:\1\: \2:p' >"$work/shown.txt"
[ -s "$work/printed.txt" ] || { echo "the run printed no summary" >&2; exit 1; }
if ! diff "$work/printed.txt" "$work/shown.txt"; then
    echo "the report's numbers differ from the run's summary" >&2
    exit 1
fi

# Each plot's colour covers part of the picture: the page rendered with its plots.
browse --window-size=1200,1600 --screenshot="$work/page.png" >/dev/null
for colour in '#3366cc' '#33aa77' '#cc5533'; do
    share=$(convert "$work/page.png" -fuzz 12% -fill white -opaque "$colour" -fill black \
        +opaque white -format '%[fx:mean]' info: 2>/dev/null || echo 0)
    # The page is mostly white: the colour's pixels are those the fill above turned white too,
    # so measure them against a picture where only white stays white.
    base=$(convert "$work/page.png" -fill black +opaque white -format '%[fx:mean]' info:)
    if ! awk -v s="$share" -v b="$base" 'BEGIN { exit !(s - b > 0.0002) }'; then
        echo "the plot drawn in $colour is not on the rendered page" >&2
        exit 1
    fi
done
echo "report rendered; its $(wc -l <"$work/shown.txt") numbers equal the run's summary"
