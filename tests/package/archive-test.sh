#!/usr/bin/env bash
# The SDK archive as a user receives it: made by CPack, unpacked into a clean folder, holding every
# file it promises and nothing of the build tree, its binaries stripped with their debug
# information beside the archive; its samples build with the package's CMake config and, apart,
# with pkg-config, and the pkg-config build of the snapshot sample runs against the virtual camera.
set -euo pipefail
build=$1
toolchain=$2
work="$build/archive-test"
rm -rf "$work"
mkdir -p "$work"

fail() { echo "archive: $*" >&2; exit 1; }

cmake --build "$build" --target doc >/dev/null
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
archives=("$work"/out/TravikSdk-*-win64.zip)
[ ${#archives[@]} = 1 ] && [ -f "${archives[0]}" ] || fail "no single TravikSdk-<version>-win64.zip"
archive=${archives[0]}
name=$(basename "$archive" .zip)
version=$(sed -n 's/^project(TravikSdk VERSION \([0-9.]*\).*/\1/p' "$(dirname "$toolchain")/../CMakeLists.txt")
[ "$name" = "TravikSdk-$version-win64" ] || fail "$name does not carry the version $version"

mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
sdk="$work/unpacked/$name"
[ -d "$sdk" ] || fail "the archive has no top folder $name"

expected=(README.md
    bin/TravikSdk_380TZ4_RDX.dll bin/travikcam.exe bin/snapshot.exe bin/snapshot_cpp.exe
    bin/stream_cpp.exe bin/TravikViewer.exe bin/travik-emu.exe bin/TravikCamEmu.sys
    lib/TravikSdk_380TZ4_RDX.dll.a lib/TravikSdk_380TZ4_RDX.lib
    lib/cmake/TravikSdk/TravikSdkConfig.cmake lib/cmake/TravikSdk/TravikSdkConfigVersion.cmake
    lib/pkgconfig/TravikSdk.pc include/TravikSdk.h include/TravikSdk.hpp
    samples/CMakeLists.txt samples/snapshot/snapshot.c samples/cpp/snapshot_cpp.cpp
    samples/cpp/stream_cpp.cpp doc/taking_frames.html
    samples/viewer/viewer.c samples/viewer/viewer_ids.h
    doc/index.html doc/getting_started.html doc/errors.html doc/TravikSdk_8h.html
    doc/recording_extensions.html
    licenses/libjpeg-turbo/LICENSE.md licenses/libjpeg-turbo/README.ijg licenses/libpng/LICENSE
    licenses/libtiff/LICENSE.md licenses/zlib/copyright)
for file in "${expected[@]}"; do
    [ -s "$sdk/$file" ] || fail "$file is missing or empty"
done
grep -q "Travik_GetDllVersion" "$sdk/doc/TravikSdk_8h.html" || fail "the reference lacks the exports"
grep -q "TravikEx_GrabFrame" "$sdk/doc/TravikSdk_8h.html" || fail "the reference lacks the extensions"
grep -qi "zlib" "$sdk/licenses/zlib/copyright" || fail "the zlib licence is not zlib's"

# Nothing of the build tree: no objects, test programs, build files or paths of this machine.
stray=$(cd "$sdk" && find . -type f | grep -Ei '\.(o|obj|a|ninja|log|debug)$|CMakeFiles|CMakeCache|_test|gtest|bench|wineprefix' |
        grep -v '^\./lib/TravikSdk_380TZ4_RDX\.dll\.a$' || true)
[ -z "$stray" ] || fail "from the build tree: $stray"
leaks=$(grep -rIl -e "$build" -e "$(cd "$build/../.." && pwd)" "$sdk" || true)
[ -z "$leaks" ] || fail "names this machine's build folders: $leaks"

# Stripped, with the debug information beside the archive and linked from the binary.
objdump=x86_64-w64-mingw32-objdump
for binary in bin/TravikSdk_380TZ4_RDX.dll bin/travikcam.exe bin/travik-emu.exe; do
    sections=$($objdump -h "$sdk/$binary")
    ! grep -q '\.debug_' <<<"$sections" || fail "$binary still carries debug information"
    grep -q '\.gnu_debuglink' <<<"$sections" || fail "$binary has no link to its debug file"
    debug="$work/out/$name-debug/$binary.debug"
    [ -f "$debug" ] && $objdump -h "$debug" | grep -q '\.debug_info' || fail "$debug lacks the debug information"
done

# The samples with the package's CMake config, as its README shows.
cmake -S "$sdk/samples" -B "$work/cmake-build" -G Ninja --toolchain "$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DTravikSdk_DIR="$sdk/lib/cmake/TravikSdk" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
for program in snapshot.exe snapshot_cpp.exe stream_cpp.exe TravikViewer.exe; do
    [ -f "$work/cmake-build/$program" ] || fail "CMake did not build $program"
done

# The same samples with pkg-config and the compilers alone.
pc="$work/pkg-config-build"
mkdir -p "$pc"
export PKG_CONFIG_PATH="$sdk/lib/pkgconfig" PKG_CONFIG_LIBDIR=""
[ "$(pkg-config --modversion TravikSdk)" = "$version" ] || fail "pkg-config reports another version"
read -r -a flags <<<"$(pkg-config --cflags --libs TravikSdk)"
x86_64-w64-mingw32-gcc-posix -O2 -o "$pc/snapshot.exe" "$sdk/samples/snapshot/snapshot.c" "${flags[@]}"
x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -o "$pc/snapshot_cpp.exe" \
    "$sdk/samples/cpp/snapshot_cpp.cpp" "${flags[@]}" -static-libgcc -static-libstdc++ -static
x86_64-w64-mingw32-gcc-posix -O2 -mwindows -o "$pc/TravikViewer.exe" "$sdk/samples/viewer/viewer.c" \
    "${flags[@]}" -lcomctl32 -lcomdlg32
cp "$sdk/bin/TravikSdk_380TZ4_RDX.dll" "$pc/"

picture="$pc/picture.bmp"
# Output to a file: a Wine process started on the sample's behalf would inherit CTest's pipe.
"$build/wine-run.sh" "$pc/snapshot.exe" "Z:${picture//\//\\}" </dev/null >"$pc/snapshot.log" 2>&1 ||
    { cat "$pc/snapshot.log"; fail "the snapshot sample built with pkg-config failed"; }
[ "$(head -c 2 "$picture")" = BM ] && [ "$(stat -c %s "$picture")" = $((54 + 1280 * 960 * 3)) ] ||
    fail "$picture is not a 1280 x 960 24-bit BMP"
echo "archive: $name holds ${#expected[@]} listed files; samples built both ways; snapshot ran"
