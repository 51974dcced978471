#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 programs, 1 when it does not. Asked of the kernel itself, with a
# 96-byte i386 program that only exits with code 42, so that the answer needs no 32-bit package: the
# Makefile and install-deps.sh choose between 32-bit Wine and the emulated machine with it, before either
# may be installed.
set -u

here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
# In the checkout, not /tmp: a temporary folder mounted noexec would answer "no" for any kernel.
folder=$(realpath -m "$here/../build")
mkdir -p "$folder"
probe=$(mktemp "$folder/i386-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT

# The ELF header (52 bytes), one loadable segment at 0x08048000 (32 bytes), and the code at its entry:
# mov ebx, 42; mov eax, 1 (exit); int 0x80.
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0' >"$probe"
printf '\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0' >>"$probe"
printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0' >>"$probe"
printf '\273\52\0\0\0\270\1\0\0\0\315\200' >>"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
[[ $? -eq 42 ]]
