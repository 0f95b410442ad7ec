# Sourced by the scripts that run the 32-bit programs and the 32-bit unit
# tests. i386_ready succeeds when this machine can run them: it executes
# 32-bit x86 code, and wine32, g++-multilib and the i386 GoogleTest are
# installed. Otherwise it fails and i386_reason says why, for a
# "SKIPPED (reason)" line.

# Whether the kernel runs a static i386 program (no 32-bit libc needed).
i386_executes() {
  local dir status=1
  dir=$(mktemp -d)
  if printf '.globl _start\n_start: movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' |
       as --32 -o "$dir/p.o" 2>/dev/null && ld -m elf_i386 "$dir/p.o" -o "$dir/p" 2>/dev/null; then
    "$dir/p" 2>/dev/null
    [ $? -eq 42 ] && status=0
  fi
  rm -rf "$dir"
  return $status
}

i386_packages=(wine32:i386 g++-multilib libgtest-dev:i386)

i386_installed() {
  local p
  for p in "${i386_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || return 1
  done
  [ -x /usr/lib/wine/wine ]
}

i386_ready() {
  i386_reason=
  if ! i386_executes; then
    i386_reason="no 32-bit execution on this machine"
  elif ! i386_installed; then
    i386_reason="wine32 or the 32-bit compiler could not be installed (run scripts/ensure-deps.sh as root)"
  fi
  [ -z "$i386_reason" ]
}
