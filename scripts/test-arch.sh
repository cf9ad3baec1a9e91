#!/bin/bash
# Prints the Windows architecture whose programs this machine can run under Wine:
# i686 where the kernel runs 32-bit programs, else x86_64 (64-bit Wine).
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '.globl _start\n_start:\n xor %%ebx,%%ebx\n mov $1,%%eax\n int $0x80\n' > "$work/p.s"
if as --32 "$work/p.s" -o "$work/p.o" 2>/dev/null && ld -m elf_i386 "$work/p.o" -o "$work/p" 2>/dev/null \
   && "$work/p" 2>/dev/null; then
  echo i686
else
  echo x86_64
fi
