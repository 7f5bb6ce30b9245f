#!/usr/bin/env bash
# Installs the win64 build into its own tree, builds the installed samples on their own against
# the installed CMake package with the same cross toolchain, and runs the snapshot sample so built
# (with the installed DLL beside it) against the virtual camera.
set -euo pipefail
build=$1
toolchain=$2
work="$build/package-test"
prefix="$work/prefix"
rm -rf "$work"

fail() { echo "installed package: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/TravikSdk_380TZ4_RDX.dll bin/travikcam.exe bin/snapshot.exe bin/TravikViewer.exe \
            lib/TravikSdk_380TZ4_RDX.dll.a lib/TravikSdk_380TZ4_RDX.lib include/TravikSdk.h \
            lib/cmake/TravikSdk/TravikSdkConfig.cmake lib/cmake/TravikSdk/TravikSdkConfigVersion.cmake \
            samples/CMakeLists.txt samples/snapshot/snapshot.c samples/viewer/viewer.c \
            samples/viewer/viewer_ids.h; do
    [ -f "$prefix/$file" ] || fail "$file is missing"
done
# Only what applications use is installed (the virtual camera included): no tests or benchmarks.
extra=$(cd "$prefix" && find . -type f | grep -Ei '_test|bench|gtest' || true)
[ -z "$extra" ] || fail "installed but not for applications: $extra"

cmake -S "$prefix/samples" -B "$work/samples" -G Ninja --toolchain "$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DTravikSdk_DIR="$prefix/lib/cmake/TravikSdk" >/dev/null
cmake --build "$work/samples"
[ -f "$work/samples/TravikViewer.exe" ] || fail "the viewer was not built"
cmp -s "$prefix/bin/TravikSdk_380TZ4_RDX.dll" "$work/samples/TravikSdk_380TZ4_RDX.dll" ||
    fail "the installed DLL was not put beside the samples"

picture="$work/snapshot.bmp"
# Output to a file: a Wine process started on the sample's behalf (the desktop) would inherit
# CTest's pipe and hold it open.
"$build/wine-run.sh" "$work/samples/snapshot.exe" "Z:${picture//\//\\}" </dev/null \
    >"$work/snapshot.log" 2>&1 || { cat "$work/snapshot.log"; fail "the snapshot sample failed"; }
cat "$work/snapshot.log"
[ "$(head -c 2 "$picture")" = BM ] || fail "$picture is not a BMP file"
size=$(stat -c %s "$picture")
recorded=$(od -An -t u4 -j 2 -N 4 "$picture" | tr -d ' ')
[ "$size" = "$recorded" ] && [ "$size" = $((54 + 1280 * 960 * 3)) ] ||
    fail "$picture has $size bytes, its header says $recorded"
echo "installed package: samples built and the snapshot sample wrote $picture"
