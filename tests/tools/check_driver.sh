#!/bin/sh
# Checks the built port driver the way the NT 4.0 and 2000 kernels will load
# it: 32-bit x86, native subsystem, imports only from the kernel and only the
# functions of driver/nt4_exports.txt, a correct checksum, base relocations,
# no section both writable and executable, a version resource, and code
# that an i586-class processor without MMX runs: the kernel runs it on every
# processor the boards carry. Prints one line; exits 1 naming what is wrong.
# Usage: check_driver.sh [IMAGE]   (the build's HwPio.sys by default)
root=$(cd "$(dirname "$0")/../.." && pwd)
exec /usr/bin/python3 "$root/tests/tools/check_pe.py" "${1:-$root/build/win32/driver/HwPio.sys}" \
    --machine i386 --subsystem native --subsystem-version 4.0 \
    --dll ntoskrnl.exe --dll HAL.dll --functions "$root/driver/nt4_exports.txt" \
    --checksum --relocations --version-resource --i586
