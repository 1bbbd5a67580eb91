#!/usr/bin/env bash
# Builds VarnholtRegTool.exe twice, from two copies of the sources in two different folders, and
# fails unless both give the same bytes: no timestamp and no build path may reach the binary.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for copy in first second-copy; do
    mkdir -p "$work/$copy"
    git ls-files -z | xargs -0 cp --parents -t "$work/$copy"
    cmake -S "$work/$copy" -B "$work/$copy/build" \
          --toolchain "$work/$copy/cmake/toolchain-mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$work/$copy/build" --target VarnholtRegTool -j2 >/dev/null
done
if cmp "$work/first/build/VarnholtRegTool.exe" "$work/second-copy/build/VarnholtRegTool.exe"; then
    echo "reproducible: both builds give $(sha256sum < "$work/first/build/VarnholtRegTool.exe" | cut -c1-16)…"
else
    echo "not reproducible: the two builds of VarnholtRegTool.exe differ" >&2
    exit 1
fi
