#!/usr/bin/env bash
# Runs one command on an emulated x86-64 machine whose kernel runs 32-bit code, for build machines whose
# own kernel runs none (no 32-bit Wine can start there, so the exe we ship could never be executed).
#
#   run-emulated.sh <command> [args...]
#
# The machine is qemu in software emulation booting the installed Debian kernel with a small busybox
# initramfs. It sees this machine's whole root, read-only, with a memory-backed layer on top: the checkout,
# the build trees and the installed Wine are at their own paths, writable, and everything written inside is
# gone afterwards. The command runs as the same user, with the same environment and current directory; its
# standard output and error come back as it writes them, and its exit code is this script's.
#
# The machine is several times slower than this one: TOVALSET_TIME_SCALE (default 8), which stretches every
# bound the tests wait with, is passed in. Settings: TOVALSET_EMULATED_MEMORY (default 8G), TOVALSET_EMULATED_CPUS (default: this machine's
# cores), TOVALSET_EMULATED_SECONDS (default 3600: the machine is stopped then, and the exit code is 124).
set -euo pipefail

here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
[[ $# -gt 0 ]] || { echo "usage: run-emulated.sh <command> [args...]" >&2; exit 2; }

kernel=$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[[ -n "$kernel" ]] || { echo "no kernel in /boot: scripts/install-deps.sh installs linux-image-amd64" >&2; exit 2; }
release=${kernel#/boot/vmlinuz-}
busybox=$(command -v busybox) || { echo "no busybox: scripts/install-deps.sh installs busybox-static" >&2; exit 2; }

# The modules that the shared root needs, in the order they depend on each other.
modules=(netfs fscache 9pnet virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci
    9pnet_virtio 9p overlay)

work=$(realpath -m "$here/../build/emulated")
mkdir -p "$work"
run=$(mktemp -d "$work/run.XXXXXX")
trap 'kill "${qemu:-}" 2>/dev/null || true; rm -rf "$run"' EXIT

# --- The initramfs: busybox, the modules, and an init that mounts the shared root and runs the command.
image=$run/initramfs
mkdir -p "$image"/{bin,modules,proc,sys,dev,lower,upper,root}
cp "$busybox" "$image/bin/busybox"
for name in "${modules[@]}"; do
    file=$(modinfo -k "$release" -n "$name") || { echo "no module $name for kernel $release" >&2; exit 2; }
    case $file in
        *.ko) cp "$file" "$image/modules/$name.ko" ;;
        *.ko.xz) xz -dc "$file" >"$image/modules/$name.ko" ;;
        *.ko.zst) zstd -qdc "$file" >"$image/modules/$name.ko" ;;
        *) cp "$file" "$image/modules/$name.ko" ;;
    esac
done
cat >"$image/init" <<INIT
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
fail() { echo "emulated machine: \$*"; poweroff -f; }
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for name in ${modules[*]}; do insmod /modules/\$name.ko || fail "insmod \$name failed"; done
# cache=loose: with cache=mmap, 32-bit programs loaded from the share crash at their first import.
mount -t 9p -o trans=virtio,version=9p2000.L,cache=loose,msize=512000,ro hostroot /lower || fail "no root share"
mount -t tmpfs -o size=90% upper /upper || fail "no tmpfs"
mkdir -p /upper/data /upper/work
mount -t overlay -o lowerdir=/lower,upperdir=/upper/data,workdir=/upper/work overlay /root || fail "no overlay"
mkdir -p /root$run
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 results /root$run || fail "no results share"
mount -t proc proc /root/proc
mount -t sysfs sys /root/sys
mount -t devtmpfs dev /root/dev
mkdir -p /root/dev/pts /root/dev/shm
mount -t devpts devpts /root/dev/pts
mount -t tmpfs shm /root/dev/shm
# bash's process substitution reads /dev/fd.
ln -sfn /proc/self/fd /root/dev/fd
ip link set lo up 2>/dev/null
hostname "\$(cat /root/etc/hostname 2>/dev/null || echo emulated)"
chroot /root /bin/bash $run/command.sh >/root$run/stdout 2>/root$run/stderr </dev/null
echo \$? >/root$run/status
sync
poweroff -f
INIT
chmod +x "$image/init"
(cd "$image" && find . | cpio -o -H newc --quiet | gzip -1) >"$run/initramfs.cpio.gz"
rm -rf "$image"

# --- The command, with this environment and current directory.
export TOVALSET_TIME_SCALE=${TOVALSET_TIME_SCALE:-8}
{
    export -p | grep -v -E '^declare -x (SHLVL|OLDPWD|PWD|_)='
    printf 'cd %q || exit 125\n' "$PWD"
    printf 'exec'
    printf ' %q' "$@"
    printf '\n'
} >"$run/command.sh"
: >"$run/stdout"
: >"$run/stderr"

cpus=${TOVALSET_EMULATED_CPUS:-$(nproc)}
# A translation cache of 4 GiB rather than qemu's default: Wine's programs run through more code than the
# default holds, and each flush of a full cache has all of it translated again. The same commands took a
# third less time with it.
share=security_model=none,multidevs=remap
setsid qemu-system-x86_64 \
    -accel tcg,thread=multi,tb-size=4096 -cpu max,-smap,-pku -smp "$cpus" -m "${TOVALSET_EMULATED_MEMORY:-8G}" \
    -nodefaults -no-user-config -display none -no-reboot \
    -serial "file:$run/console" \
    -kernel "$kernel" -initrd "$run/initramfs.cpio.gz" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 mitigations=off rdinit=/init" \
    -fsdev "local,id=hostroot,path=/,readonly=on,$share" -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev "local,id=results,path=$run,$share" -device virtio-9p-pci,fsdev=results,mount_tag=results \
    </dev/null >"$run/qemu.log" 2>&1 &
qemu=$!
tail -q -n +1 -F --pid="$qemu" "$run/stdout" 2>/dev/null &
tail -q -n +1 -F --pid="$qemu" "$run/stderr" >&2 2>/dev/null &

limit=${TOVALSET_EMULATED_SECONDS:-3600}
status=
for ((waited = 0; waited < limit; waited++)); do
    kill -0 "$qemu" 2>/dev/null || break
    sleep 1
done
if kill -0 "$qemu" 2>/dev/null; then
    echo "run-emulated.sh: the command did not end within $limit s; the machine was stopped" >&2
    kill "$qemu"
    status=124
fi
wait "$qemu" 2>/dev/null || true
wait
if [[ -z "$status" ]]; then
    if [[ -s "$run/status" ]]; then
        status=$(<"$run/status")
    else
        echo "run-emulated.sh: the machine ended before the command did; its console said:" >&2
        tail -n 30 "$run/console" "$run/qemu.log" >&2
        status=125
    fi
fi
exit "$status"
