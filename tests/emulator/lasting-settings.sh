#!/usr/bin/env bash
# What one ./travik wine command tells the virtual camera, the next command finds: a replayed frame
# pixel for pixel, the pacing, a fault and an unplug, until a reset brings the scene back; and a
# changed driver file is loaded by the next install instead of the running driver.
# Usage: lasting-settings.sh SOURCE_DIR BUILD_DIR WORK_DIR (in a test prefix of ./travik test)
set -euo pipefail
root=$1 build=$2 work=$3

if [ -z "${CTEST_RESOURCE_GROUP_0_PREFIX:-}" ]; then
    echo "lasting settings: runs only in a test prefix of ./travik test" >&2
    exit 77
fi
rm -rf "$work"
mkdir -p "$work/driver"

fail() { echo "lasting settings: $*" >&2; cat "$work/out" >&2; exit 1; }
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
# One command each; the output goes to a file, as a Wine process it starts must not hold
# CTest's pipe. `wine` is what a user types, `direct` runs in the same prefix without the harness.
wine() { "$root/travik" wine "$@" </dev/null >"$work/out" 2>&1; }
direct() { "$build/wine-run.sh" "$@" </dev/null >"$work/out" 2>&1; }
says() { grep -q -- "$1" "$work/out"; }
status_says() { # text, what failed
    wine travik-emu.exe status || fail "status failed"
    says "$1" || fail "$2"
}

# The first command starts the prefix's server, as a user's first command does; the SDK's
# first-use defaults (gain 512, exposure 3) pass replayed samples unchanged.
"$root/travik" wine --stop 2>/dev/null
wine reg delete 'HKCU\Software\Ostrel\Travik380TZ4RDXSdk' /f || true

python3 -c "import random, sys; random.seed(31); sys.stdout.buffer.write(random.randbytes(1280 * 960))" \
    >"$work/frame.raw"
wine travik-emu.exe pattern 0 file "$(winpath "$work/frame.raw")" --no-stamp
says "replaying 1 frame" || fail "the replay was refused"
status_says " 0 .*pattern file" "the next command found no replay on camera 0"
wine travikcam.exe snap --format raw --color 8 -o "$(winpath "$work/snap.raw")" || fail "snap failed"
cmp -s "$work/frame.raw" "$work/snap.raw" || fail "the next snapshot is not the replayed frame"

wine travik-emu.exe pacing 0 2.5
status_says " 0 .*pacing 2.500 fps" "the next command found the pacing undone"

wine travik-emu.exe fault 0 fail-reads 1000
status_says " 0 .*fault fail-reads" "the next command found the fault undone"
! wine travikcam.exe snap --format raw --color 8 -o "$(winpath "$work/fault.raw")" ||
    fail "a snapshot succeeded while every read fails"
wine travik-emu.exe fault 0 none

wine travik-emu.exe unplug 0
status_says " 0 .*UNPLUGGED" "the next command found camera 0 plugged in again"
! wine travikcam.exe snap --device 0 --format raw --color 8 -o "$(winpath "$work/unplugged.raw")" ||
    fail "a snapshot succeeded from an unplugged camera"
wine travik-emu.exe plug 0

wine travik-emu.exe reset 0
status_says " 0 .*pattern scene  pacing auto" "the reset did not bring the scene and pacing back"
wine travikcam.exe snap --format raw --color 8 -o "$(winpath "$work/scene.raw")" || fail "snap failed"
! cmp -s "$work/frame.raw" "$work/scene.raw" || fail "the replayed frame outlived the reset"

# A driver file that changed since the running driver was started from it is loaded anew; the
# same file is not. A copy of the tool and driver stands for a build tree, one byte more for a
# rebuild (the harness would put the build's own driver back, so this runs without it).
cp "$build/bin/travik-emu.exe" "$build/bin/TravikCamEmu.sys" "$work/driver/"
tool=$(winpath "$work/driver/travik-emu.exe")
direct "$tool" install --devices 4 || fail "install from the copy failed"
direct "$tool" pacing 0 off
direct "$tool" install --devices 4 || fail "a second install failed"
says "already running" || fail "the same driver file was loaded again"
printf '\0' >>"$work/driver/TravikCamEmu.sys"
direct "$tool" install --devices 4 || fail "install of the changed driver failed"
says "as the driver file changed" || fail "the changed driver file was not loaded"
direct "$tool" status
says " 0 .*pacing auto" || fail "the running driver kept the old driver's settings"
wine travik-emu.exe status || fail "the build's own driver did not come back"
echo "lasting settings: replay, pacing, fault and unplug lasted between commands; reset and a" \
    "changed driver file started afresh"
