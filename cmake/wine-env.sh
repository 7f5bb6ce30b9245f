# Wine harness, sourced by ./travik (bash) and by wine-run.sh (POSIX sh): Wine prefixes in the build
# tree, each with its own persistent wineserver, Xvfb display (when none is set) and virtual camera.
# Only processes started here are stopped here.

WINE_BIN=/usr/lib/wine/wine64
WINESERVER_BIN=/usr/lib/wine/wineserver
harness_user_display=${DISPLAY:-}

# --- POSIX sh: the environment of one prefix --------------------------------------------------

wine_env_export() { # build dir [prefix dir, default BUILD/wineprefix]
    export WINEPREFIX="${2:-$1/wineprefix}"
    export WINELOADER="$WINE_BIN"
    export WINESERVER="$WINESERVER_BIN"
    export WINEDEBUG="${WINEDEBUG:--all}"
    # The build's programs run by name (./travik wine travik-emu.exe status): Z: is the root.
    wine_env_bin="Z:$(printf '%s' "$1" | sed 's|/|\\|g')\\bin"
    case ";${WINEPATH:-};" in
        *";$wine_env_bin;"*) ;;
        *) export WINEPATH="$wine_env_bin${WINEPATH:+;$WINEPATH}" ;;
    esac
    export WINEARCH=win64
    # No Mono or Gecko installers: the prefix must come up without asking anything.
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    # The display the prefix's server and desktop were started with is the one to use.
    if [ -f "$WINEPREFIX/.travik-session" ]; then
        wine_env_display=$(sed -n 's/^display=//p' "$WINEPREFIX/.travik-session")
        [ -z "$wine_env_display" ] || export DISPLAY="$wine_env_display"
    fi
}

# The prefix of the CTest resource slot a test was given (CTEST_RESOURCE_GROUP_0_PREFIX is
# "id:t2,slots:4"), or the build's own prefix when CTest runs without ./travik test's slots.
wine_env_export_for_test() { # build dir
    wine_env_slot=${CTEST_RESOURCE_GROUP_0_PREFIX:-}
    wine_env_slot=${wine_env_slot#id:}
    wine_env_slot=${wine_env_slot%%,*}
    if [ -n "$wine_env_slot" ]; then
        wine_env_export "$1" "$1/wineprefix-$wine_env_slot"
    else
        wine_env_export "$1"
    fi
}

# --- bash: starting and stopping prefixes -------------------------------------------------------

# The pid of the wineserver serving $WINEPREFIX, found by its working folder, which Wine names
# after the prefix's device and inode. Fails when none runs.
harness_server_pid() {
    [ -d "$WINEPREFIX" ] || return 1
    local tag proc
    tag=$(printf 'server-%x-%x' $(stat -L -c '%d %i' "$WINEPREFIX"))
    for proc in /proc/[0-9]*; do
        case "$(cat "$proc/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
        case "$(readlink "$proc/cwd" 2>/dev/null)" in
            */"$tag") echo "${proc#/proc/}"; return 0 ;;
        esac
    done
    return 1
}

harness_session_value() { # key
    [ ! -f "$WINEPREFIX/.travik-session" ] || sed -n "s/^$1=//p" "$WINEPREFIX/.travik-session"
}

# A server this harness can go on using: its session is recorded, the Xvfb it started for it
# still runs and its program file was not replaced (a Wine upgrade would refuse every new client).
harness_session_usable() {
    local pid xvfb
    pid=$(harness_server_pid) || return 1
    [ -f "$WINEPREFIX/.travik-session" ] || return 1
    case "$(readlink "/proc/$pid/exe")" in *" (deleted)") return 1 ;; esac
    xvfb=$(harness_session_value xvfb)
    [ -z "$xvfb" ] || [ "$(cat "/proc/$xvfb/comm" 2>/dev/null)" = Xvfb ]
}

# An Xvfb of its own, detached from this shell so that it can outlive it; Xvfb picks a free
# display number itself, so that harnesses started at once never race for one.
harness_start_xvfb() {
    local numberFile pid i
    numberFile=$(mktemp)
    setsid Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$numberFile" \
        </dev/null >/dev/null 2>&1 &
    pid=$!
    for i in $(seq 1 100); do
        if [ -s "$numberFile" ]; then
            export DISPLAY=":$(tr -d '[:space:]' <"$numberFile")"
            rm -f "$numberFile"
            harness_xvfb_pid=$pid
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$numberFile"
    kill "$pid" 2>/dev/null || true
    echo "travik: could not start an Xvfb display" >&2
    return 1
}

harness_create_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    echo "travik: creating the Wine prefix in $WINEPREFIX" >&2
    "$WINE_BIN" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -w
}

harness_install_camera() { # build dir, device count
    local tool="$1/bin/travik-emu.exe" out
    [ -f "$tool" ] || return 0
    # A driver file that changed since the running driver was started is loaded anew
    # (travik-emu install says so), and what the cameras were told goes with the old one.
    out=$("$WINE_BIN" "$tool" install --devices "${2:-4}" </dev/null 2>&1) || {
        echo "travik: installing the virtual camera failed: $out" >&2
        return 1
    }
    case "$out" in *"already running"*) ;; *) echo "travik: virtual camera: ${out#*: }" >&2 ;; esac
}

# Makes the prefix serve: a persistent wineserver with Wine's services and the virtual camera.
# A usable running server is kept, with what its virtual camera was told; `own_display` 1 gives a
# new server a display of its own even when DISPLAY is set (parallel test prefixes must not share
# one desktop's focus). Sets harness_started=1 when it started the server.
harness_up() { # build dir, prefix dir, own_display (0|1)
    wine_env_export "$1" "$2"
    harness_started=0
    if harness_session_usable; then
        harness_install_camera "$1" 4
        return
    fi
    harness_down "$2"
    harness_xvfb_pid=""
    if [ -n "$harness_user_display" ]; then export DISPLAY="$harness_user_display"; else unset DISPLAY; fi
    if [ "${3:-0}" = 1 ] || [ -z "${DISPLAY:-}" ]; then harness_start_xvfb || return 1; fi
    harness_create_prefix
    "$WINESERVER_BIN" -p </dev/null >/dev/null 2>&1 || true
    printf 'display=%s\nxvfb=%s\nsince=%s\n' "${DISPLAY:-}" "$harness_xvfb_pid" \
        "$(date '+%Y-%m-%d %H:%M:%S %Z')" >"$WINEPREFIX/.travik-session"
    harness_started=1
    # Wine's own services start now, in a session of their own and away from our output: started
    # by a test they would inherit CTest's pipes and keep it waiting for end of file.
    setsid -w "$WINE_BIN" cmd /c exit </dev/null >/dev/null 2>&1 || true
    harness_install_camera "$1" 4
}

# Stops the prefix's server (Wine's services and the virtual camera with it) and the display the
# harness started for it.
harness_down() { # prefix dir
    local xvfb
    export WINEPREFIX="$1"
    if harness_server_pid >/dev/null; then
        "$WINESERVER_BIN" -k 2>/dev/null || true
        "$WINESERVER_BIN" -w 2>/dev/null || true
    fi
    xvfb=$(harness_session_value xvfb)
    if [ -n "$xvfb" ] && [ "$(cat "/proc/$xvfb/comm" 2>/dev/null)" = Xvfb ]; then
        kill "$xvfb" 2>/dev/null || true
        local i
        for i in $(seq 1 50); do
            [ -e "/proc/$xvfb" ] || break
            sleep 0.1
        done
    fi
    rm -f "$WINEPREFIX/.travik-session"
}
