#!/usr/bin/env bash
# Builds static libjpeg-turbo, libpng and libtiff for MinGW-w64 from Debian's source packages.
# Usage: build-deps.sh DEPS_DIR   (results in DEPS_DIR/prefix; a second run is a no-op)
set -euo pipefail

deps_dir=$(realpath -m "$1")
prefix="$deps_dir/prefix"
stamp="$prefix/.travik-deps-v1"
here=$(cd "$(dirname "$0")" && pwd)
toolchain="$here/mingw-w64-x86_64.cmake"
[ -f "$stamp" ] && exit 0

log="$deps_dir/build.log"
mkdir -p "$deps_dir/src" "$deps_dir/work" "$prefix"
: >"$log"
fail() { echo "build-deps: $1 (log: $log)" >&2; tail -n 30 "$log" >&2; exit 1; }

# Source entries are made from the machine's own binary entries (same URIs and keyring);
# security suites are left out because their source files are not served.
ensure_source_entries() {
    local list=/etc/apt/sources.list.d/travik-deb-src.sources
    [ -f "$list" ] && return 0
    python3 - "$list" <<'PY' || fail "cannot derive deb-src entries"
import glob, sys
out = []
for path in sorted(glob.glob('/etc/apt/sources.list.d/*.sources')):
    if path.endswith('travik-deb-src.sources'):
        continue
    for stanza in open(path).read().split('\n\n'):
        fields = {}
        for line in stanza.splitlines():
            if line.startswith('#') or ':' not in line:
                continue
            k, v = line.split(':', 1)
            fields[k.strip()] = v.strip()
        if 'deb' not in fields.get('Types', '').split():
            continue
        suites = [s for s in fields.get('Suites', '').split() if 'security' not in s]
        if not suites or 'URIs' not in fields:
            continue
        entry = ['Types: deb-src', 'URIs: ' + fields['URIs'], 'Suites: ' + ' '.join(suites),
                 'Components: ' + fields.get('Components', 'main')]
        if 'Signed-By' in fields:
            entry.append('Signed-By: ' + fields['Signed-By'])
        out.append('\n'.join(entry))
if not out:
    sys.exit(1)
open(sys.argv[1], 'w').write('\n\n'.join(out) + '\n')
PY
    apt-get update -qq >>"$log" 2>&1 || fail "apt-get update failed"
}

fetch_source() { # package, directory glob
    local pkg=$1 pattern=$2
    if ! compgen -G "$deps_dir/src/$pattern/CMakeLists.txt" >/dev/null; then
        ensure_source_entries
        (cd "$deps_dir/src" && apt-get source -qq "$pkg" >>"$log" 2>&1) || fail "apt-get source $pkg failed"
    fi
    compgen -G "$deps_dir/src/$pattern/CMakeLists.txt" | head -n 1 | xargs dirname
}

build() { # name, source dir, cmake args...
    local name=$1 src=$2
    shift 2
    echo "build-deps: building $name" >&2
    cmake -S "$src" -B "$deps_dir/work/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTRAVIK_DEPS_PREFIX="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >>"$log" 2>&1 || fail "configuring $name failed"
    cmake --build "$deps_dir/work/$name" >>"$log" 2>&1 || fail "building $name failed"
    cmake --install "$deps_dir/work/$name" >>"$log" 2>&1 || fail "installing $name failed"
}

jpeg_src=$(fetch_source libjpeg-turbo 'libjpeg-turbo-*')
png_src=$(fetch_source libpng1.6 'libpng1.6-*')
tiff_src=$(fetch_source tiff 'tiff-*')

simd=OFF
command -v nasm >/dev/null && simd=ON
build libjpeg-turbo "$jpeg_src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=$simd -DREQUIRE_SIMD=$simd -DWITH_JPEG8=ON
build libpng "$png_src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON
build libtiff "$tiff_src" -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF \
    -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF -Djpeg=OFF -Dzlib=OFF -Dpixarlog=OFF \
    -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlibdeflate=OFF

touch "$stamp"
