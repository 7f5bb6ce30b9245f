# Wine harness, sourced by ./travik: an isolated prefix in the build tree, an Xvfb display
# when none is set, a persistent wineserver, and the virtual camera driver.
# Only processes started here are stopped here.

WINE_BIN=/usr/lib/wine/wine64
WINESERVER_BIN=/usr/lib/wine/wineserver

wine_env_export() { # build dir
    export WINEPREFIX="$1/wineprefix"
    export WINELOADER="$WINE_BIN"
    export WINESERVER="$WINESERVER_BIN"
    export WINEDEBUG="${WINEDEBUG:--all}"
    # The build's programs run by name (./travik wine travik-emu.exe status): Z: is the root.
    # (POSIX sh too: wine-run.sh sources this file.)
    wine_env_bin="Z:$(printf '%s' "$1" | sed 's|/|\\|g')\\bin"
    case ";${WINEPATH:-};" in
        *";$wine_env_bin;"*) ;;
        *) export WINEPATH="$wine_env_bin${WINEPATH:+;$WINEPATH}" ;;
    esac
    export WINEARCH=win64
    # No Mono or Gecko installers: the prefix must come up without asking anything.
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

harness_xvfb_pid=""
harness_started_server=0

harness_start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
        harness_xvfb_pid=$!
        local i
        for i in $(seq 1 50); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$harness_xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$harness_xvfb_pid" 2>/dev/null || true
        harness_xvfb_pid=""
    done
    echo "travik: could not start an Xvfb display" >&2
    return 1
}

harness_start_wine() { # build dir
    wine_env_export "$1"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "travik: creating the Wine prefix in $WINEPREFIX" >&2
        "$WINE_BIN" wineboot -i >/dev/null 2>&1 || true
        "$WINESERVER_BIN" -w
    fi
    # A persistent server keeps test programs starting fast for the whole run.
    "$WINESERVER_BIN" -p 2>/dev/null || true
    harness_started_server=1
    # Start Wine's own services now, detached from our output: started by the first test they
    # would inherit CTest's pipes and keep it waiting for end of file.
    "$WINE_BIN" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

harness_install_camera() { # build dir, device count
    local tool="$1/bin/travik-emu.exe"
    [ -f "$tool" ] || return 0
    local out
    out=$("$WINE_BIN" "$tool" install --devices "${2:-4}" </dev/null 2>&1) || {
        echo "travik: installing the virtual camera failed: $out" >&2
        return 1
    }
}

harness_stop() {
    if [ "$harness_started_server" = 1 ]; then
        "$WINESERVER_BIN" -k 2>/dev/null || true
        "$WINESERVER_BIN" -w 2>/dev/null || true
        harness_started_server=0
    fi
    if [ -n "$harness_xvfb_pid" ]; then
        kill "$harness_xvfb_pid" 2>/dev/null || true
        wait "$harness_xvfb_pid" 2>/dev/null || true
        harness_xvfb_pid=""
    fi
}

harness_start() { # build dir
    harness_start_display
    harness_start_wine "$1"
    harness_install_camera "$1" 4
}
