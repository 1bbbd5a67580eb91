#!/usr/bin/env bash
# Installs what building and testing need on Debian 12: the i686 MinGW cross compiler, 32-bit
# Wine, Xvfb, a Chinese font, the zh_CN.UTF-8 locale (Wine takes its ANSI code page 936 from it),
# GoogleTest's sources and ImageMagick. Does nothing when everything is already there.
set -euo pipefail

packages=(cmake make g++ g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xauth
          fonts-wqy-microhei fonts-wine locales googletest imagemagick)

sudo_if_needed() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        sudo_if_needed dpkg --add-architecture i386
    fi
    sudo_if_needed apt-get update -q
    DEBIAN_FRONTEND=noninteractive sudo_if_needed apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    echo "generating the zh_CN.UTF-8 locale"
    sudo_if_needed localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

"$(dirname "$0")/ensure-i386-exec.sh"
