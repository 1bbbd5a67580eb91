#!/usr/bin/env bash
# Sets everything up on a Debian 12 machine, builds both presets and runs every test: the native
# unit tests (with sanitizers) and the Win32 tests under Wine. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

started=$(date +%s)
stop_wine() {
    WINEPREFIX="$PWD/build/wineprefix" wineserver -k 2>/dev/null || true
    pkill -f "Xvfb ${VARNHOLT_XVFB_DISPLAY:-:91} " 2>/dev/null || true
}
trap stop_wine EXIT

cmake --workflow --preset native
cmake --workflow --preset win32
bash scripts/check-reproducible.sh

echo "total test time: $(( $(date +%s) - started )) s"
