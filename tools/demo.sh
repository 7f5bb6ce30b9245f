#!/usr/bin/env bash
# The demo: travikcam against the virtual camera, inside the Wine harness that ./travik demo sets
# up. Lists the camera, previews it, saves one picture in every file form and a three-second AVI
# into OUT_DIR, then shows what it wrote.
set -euo pipefail

build=${1:?usage: demo.sh BUILD_DIR OUT_DIR}
out=${2:?usage: demo.sh BUILD_DIR OUT_DIR}
wine=${WINELOADER:-wine}
cam="$build/bin/travikcam.exe"
[ -f "$cam" ] || { echo "demo: $cam is missing: build first (./travik build)" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
# Windows programs under Wine see the Unix root as drive Z:.
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

step() { printf '\n== %s\n' "$*"; }
travikcam() { "$wine" "$cam" "$@" </dev/null; }

step "travikcam list"
travikcam list

step "travikcam info"
travikcam info

step "travikcam preview --seconds 3"
travikcam preview --seconds 3 --color 24

rm -f "$out"/travik.*
for format in bmp raw jpeg png tiff; do
    ext=$format
    [ "$format" = jpeg ] && ext=jpg
    [ "$format" = tiff ] && ext=tif
    step "travikcam snap --format $format --color 24"
    travikcam snap --format "$format" --color 24 -o "$(winpath "$out/travik.$ext")"
done

step "travikcam record --ms 3000"
travikcam record --ms 3000 --color 24 -o "$(winpath "$out/travik.avi")"

step "written to $out"
ls -l "$out"
if command -v ffprobe >/dev/null; then
    ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=codec_name,width,height,nb_read_frames,r_frame_rate \
        -of default=noprint_wrappers=1 "$out/travik.avi" | sed 's/^/  travik.avi: /'
fi
