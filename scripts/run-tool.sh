#!/usr/bin/env bash
# Sets everything up on a Debian 12 machine, builds VarnholtRegTool.exe and starts it under Wine
# in a demo game folder (build/demo-game, which holds an empty Launcher.exe). Without a display it
# runs on its own Xvfb display and saves a screenshot to build/demo-screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target VarnholtRegTool

demo=build/demo-game
mkdir -p "$demo"
touch "$demo/Launcher.exe"
cp build/win32/VarnholtRegTool.exe "$demo/"

if [ -n "${DISPLAY:-}" ]; then
    exec cmake/wine-run.sh "$demo/VarnholtRegTool.exe"
fi

export VARNHOLT_XVFB_DISPLAY=${VARNHOLT_XVFB_DISPLAY:-:91}
cmake/wine-run.sh "$demo/VarnholtRegTool.exe" &
tool=$!
sleep 12
import -display "$VARNHOLT_XVFB_DISPLAY" -window root build/demo-screenshot.png
echo "The tool runs on the Xvfb display $VARNHOLT_XVFB_DISPLAY; screenshot: build/demo-screenshot.png"
echo "Close it with Ctrl+C."
wait "$tool"
