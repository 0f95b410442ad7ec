#!/bin/sh
# Checks check_pe.py --i586 itself: every instruction below of a processor
# later than the i586 without MMX, assembled alone into an image, must fail
# the check with its address and bytes; one image holding an instruction of
# each class that processor runs must pass. Prints one line; exits 1 naming
# what the check missed or refused wrongly.
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# image NAME: assembles NAME.s into the image NAME.exe, its code at 0x401000.
image() {
    i686-w64-mingw32-as "$work/$1.s" -o "$work/$1.o" &&
        i686-w64-mingw32-ld -e _start --subsystem windows "$work/$1.o" -o "$work/$1.exe"
}
source_of() {  # source_of INSTRUCTION...: an entry point running them, then ret
    printf '\t.intel_syntax noprefix\n\t.text\n\t.globl _start\n_start:\n'
    for instruction in "$@"; do printf '\t%s\n' "$instruction"; done
    printf '\tret\n'
}
check() { /usr/bin/python3 "$root/tests/tools/check_pe.py" "$work/$1.exe" --i586; }

fail=0
count=0
while IFS='|' read -r class instruction; do
    [ -n "$class" ] || continue
    count=$((count + 1))
    source_of "$instruction" >"$work/later.s"
    if ! image later >"$work/out" 2>&1; then
        echo "check_i586_rule: $class: '$instruction' does not assemble: $(cat "$work/out")"
        fail=1
        continue
    fi
    check later >"$work/out"
    if ! grep -q '^check_pe: later.exe: instruction an i586 lacks at 401000: [0-9a-f][0-9a-f] ' "$work/out" ||
        ! grep -q 'FAIL (1 problem)' "$work/out"; then
        echo "check_i586_rule: $class: '$instruction' was not flagged with its address and bytes: $(cat "$work/out")"
        fail=1
    fi
done <<'EOF'
multi-byte nop, 0F 1F /0|nop DWORD PTR [eax]
multi-byte nop with 66|nop WORD PTR [eax+eax*1+0]
endbr32|endbr32
fisttp (SSE3)|fisttp DWORD PTR [eax]
fxsave|fxsave [eax]
sysenter|sysenter
rdpmc|rdpmc
rdtscp|rdtscp
xgetbv|xgetbv
popcnt|popcnt eax, ebx
lzcnt|lzcnt eax, ebx
movbe|movbe eax, [ebx]
crc32|crc32 eax, ebx
AVX, ymm|vaddps ymm0, ymm1, ymm2
conditional move|cmove eax, ebx
x87 conditional move|fcmovb st, st(1)
fcomi|fcomi st, st(1)
MMX|paddb mm0, mm1
emms|emms
SSE|addps xmm0, xmm1
fence|lfence
prefetch|prefetchnta [eax]
ud2|ud2
pause|pause
EOF

# One of each class the processor runs: the i386 integer, string, system and
# 16-bit forms, the i486 additions, the Pentium's own, the x87 unit, and the
# nops the compiler pads with (90 and 66 90).
source_of 'nop' 'xchg ax, ax' 'push 5' 'pushw 5' 'pushfd' 'popad' 'rep stosd' 'repne scasb' 'shld eax, ebx, 3' \
    'setne al' 'movzx eax, bl' 'imul eax, ebx, 7' 'enter 8, 0' 'leave' 'ret 4' 'retf' 'iretd' 'ljmp 8:0x1000' \
    'mov eax, fs:[0]' 'in al, dx' 'out dx, al' 'mov cr0, eax' 'mov dr7, eax' 'lgdt [eax]' 'hlt' \
    'bswap eax' 'lock xadd [eax], ebx' 'lock cmpxchg [eax], ebx' 'invlpg [eax]' 'wbinvd' \
    'cpuid' 'rdtsc' 'rdmsr' 'wrmsr' 'lock cmpxchg8b [eax]' \
    'fld QWORD PTR [eax]' 'fistp QWORD PTR [eax]' 'fsin' 'fsincos' 'fprem1' 'fucompp' 'fnstsw ax' 'fstsw ax' \
    'fnstcw [eax]' 'fldcw [eax]' 'fxch st(3)' 'fninit' >"$work/i586.s"
if ! image i586 >"$work/out" 2>&1 || ! check i586 >"$work/out"; then
    echo "check_i586_rule: instructions an i586 runs were refused: $(cat "$work/out")"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "check_i586_rule: OK ($count later instructions flagged, the i586's own pass)"
exit "$fail"
