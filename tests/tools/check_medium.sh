#!/bin/sh
# Checks every PE image on the installation medium (build/medium, made by
# scripts/build-medium.sh) the way Windows 95 and NT 4.0 will load it:
# programs are 32-bit x86 window programs (the reader Readings.exe a console
# program) for subsystem version 4.0 with a version resource that import
# only from the DLLs both systems carry (no C runtime DLL: a plain Windows 95
# has none) and only the functions of medium/program_imports.txt, and whose
# code runs on an i586-class processor; the driver gets the driver's own
# check. Prints one line per image; exits 1 naming what is wrong, or
# README.md's size table when it is not the one the medium script wrote
# from this build.
root=$(cd "$(dirname "$0")/../.." && pwd)
medium="$root/build/medium"
check="/usr/bin/python3 $root/tests/tools/check_pe.py"
fail=0
images=0
for file in "$medium"/*; do
    [ "$(head -c 2 "$file")" = MZ ] || continue
    images=$((images + 1))
    subsystem=gui
    case "$file" in
    */Readings.exe) subsystem=console ;;
    esac
    case "$file" in
    *.sys) "$root/tests/tools/check_driver.sh" "$file" ;;
    *) $check "$file" --machine i386 --subsystem $subsystem --subsystem-version 4.0 \
           --dll KERNEL32.dll --dll USER32.dll --dll GDI32.dll --dll ADVAPI32.dll \
           --dll COMCTL32.dll --dll SHELL32.dll --dll WINMM.dll \
           --functions "$root/medium/program_imports.txt" --version-resource --i586 ;;
    esac || fail=1
done
if [ "$images" -eq 0 ]; then
    echo "check_medium: FAIL (no program on $medium; run scripts/build-medium.sh)"
    exit 1
fi
# scripts/build-medium.sh writes README.md's size table from what it built;
# a table that differs from the committed one is stale in the commit.
sizes() { sed -n '/^<!-- sizes: /,/^<!-- end of sizes -->/p'; }
built=$(sizes <"$root/README.md")
if committed=$(git -C "$root" show HEAD:README.md 2>/dev/null | sizes) && [ "$built" != "$committed" ]; then
    echo "check_medium: FAIL (README.md's size table differs from the medium just built; commit the table scripts/build-medium.sh wrote)"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "check_medium: OK ($images images load on Windows 95 and NT 4.0; README.md's size table is the built one)"
exit "$fail"
