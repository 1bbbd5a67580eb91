#!/usr/bin/env bash
# Runs a Windows program under Wine the way the project's tests and demo expect it: in the
# project's own prefix (build/wineprefix), with code page 936 (LC_ALL=zh_CN.UTF-8), a 1024x768
# virtual desktop, and an Xvfb display of its own when none is set. The first call creates and
# initialises the prefix; later calls reuse it. CMake uses this as the emulator of the win32 build.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export LC_ALL=zh_CN.UTF-8
# No Mono or Gecko: nothing here needs them, and asking for them would open a dialog.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# A display of the tests' own: the test run shares it with nothing, and it stays up between tests
# so that Wine's desktop process keeps its connection.
export VARNHOLT_XVFB_DISPLAY=${VARNHOLT_XVFB_DISPLAY:-:91}

"$root/scripts/ensure-i386-exec.sh"

if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=$VARNHOLT_XVFB_DISPLAY
    number=${DISPLAY#:}
    socket=/tmp/.X11-unix/X$number
    lock=/tmp/.X$number-lock
    (
        flock 8
        # An X server killed without its own clean-up (a session or CI job ended by SIGKILL)
        # leaves its lock file and socket behind: nothing answers on the display then, and a new
        # Xvfb refuses to start on it. Only a running X server's lock counts.
        owner=$(tr -d ' ' < "$lock" 2>/dev/null || true)
        if [ -e "$lock" ] && ! grep -qs '^X' "/proc/$owner/comm"; then
            rm -f "$lock" "$socket"
        fi
        if [ ! -S "$socket" ]; then
            setsid Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null 8>&- &
            for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.1; done
        fi
        if [ ! -S "$socket" ]; then
            echo "wine-run: Xvfb did not start on display $DISPLAY" >&2
            exit 1
        fi
    ) 8>"/tmp/.varnholt-xvfb-$number.lock"
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.varnholt-ready" ]; then
        echo "wine-run: creating the Wine prefix $WINEPREFIX (once, takes a few seconds)" >&2
        wineboot --init >/dev/null 2>&1
        # Without a window manager under Xvfb, windows only get real frames on a virtual desktop.
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.varnholt-ready"
    fi
) 9>"$WINEPREFIX.lock"

exec wine "$@"
