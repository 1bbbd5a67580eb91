#!/usr/bin/env bash
# Makes sure this machine can start 32-bit x86 Linux programs, which Wine needs to run a 32-bit
# Windows program. Most machines can; some virtual machines run 64-bit user code only (their
# kernel answers ENOEXEC to a 32-bit execve). There, 32-bit programs are handed to QEMU's user-mode
# emulator through binfmt_misc. Debian 12's qemu-user 7.2 takes about 50 s to start one Wine
# process (its mmap handling meets Wine's address-space reservation badly); the static qemu-i386
# of Debian 13's qemu-user 10 takes a fraction of a second, so that binary is used. It is static,
# so it runs on Debian 12 as it is. Idempotent; needs root only when it has something to do.
set -euo pipefail

loader32=/usr/lib/wine/wine
tools=/usr/local/lib/varnholt-tools
qemu=$tools/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc

[ -x "$loader32" ] || { echo "ensure-i386-exec: $loader32 is missing (wine32:i386 not installed)" >&2; exit 1; }
"$loader32" --version >/dev/null 2>&1 && exit 0

echo "ensure-i386-exec: this kernel does not start 32-bit programs; using QEMU user-mode emulation"
if [ ! -x "$qemu" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
    echo "deb http://deb.debian.org/debian trixie main" > "$work/sources.list"
    apt_opts=(-o Dir::Etc::sourcelist="$work/sources.list" -o Dir::Etc::sourceparts=/nonexistent
              -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
              -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" update -q >/dev/null
    (cd "$work" && apt-get "${apt_opts[@]}" download -q qemu-user >/dev/null)
    dpkg-deb -x "$work"/qemu-user_*.deb "$work/root"
    mkdir -p "$tools"
    install -m 755 "$work/root/usr/bin/qemu-i386" "$qemu"
fi

[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
[ -e "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
# i386 ELF executables and shared objects; F opens the interpreter now, so it also works in
# other mount namespaces.
printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' > "$binfmt/register"

"$loader32" --version >/dev/null 2>&1 || { echo "ensure-i386-exec: 32-bit programs still do not start" >&2; exit 1; }
