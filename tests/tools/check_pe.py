#!/usr/bin/python3
"""Checks a built PE image against what the Windows it is made for will load
and what the project allows it to import. Prints one summary line, after a
line for each offending item on failure (exit 1).

    check_pe.py IMAGE [--machine i386] [--subsystem native|gui|console]
                [--subsystem-version 4.0] [--dll NAME]... [--functions LIST]
                [--checksum] [--relocations] [--version-resource] [--i586]

--dll may be repeated; an import from any other DLL fails. --functions names
a list file of lines "DLL FUNCTION" ('#' starts a comment); an imported
function not in it fails. Every image fails if a section is both writable
and executable. --i586 disassembles the code (with the i686 mingw-w64
objdump) and fails on any instruction an i586-class processor lacks.
"""
import argparse
import os
import re
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
import pe_image  # noqa: E402


def read_function_list(path):
    allowed = set()
    with open(path) as f:
        for number, line in enumerate(f, 1):
            fields = line.split('#', 1)[0].split()
            if not fields:
                continue
            if len(fields) != 2:
                raise ValueError('%s:%d: expected "DLL FUNCTION"' % (path, number))
            allowed.add((fields[0].lower(), fields[1]))
    return allowed


# Instructions of later processors: conditional moves (also of the x87
# unit), comparisons that set the flags directly, and anything of MMX or SSE
# (their registers, or their state, fence and prefetch instructions).
LATER_MNEMONIC = re.compile(r'^(cmov|fcmov|fu?comi|ldmxcsr|stmxcsr|[lsm]fence|prefetch|movnt|clflush|emms)')
LATER_OPERAND = re.compile(r'%x?mm[0-9]')


def later_instructions(path):
    """[(address, instruction)] of the instructions an i586 does not have."""
    listing = subprocess.run(['i686-w64-mingw32-objdump', '-d', '--no-show-raw-insn', path],
                             check=True, capture_output=True, text=True).stdout
    found = []
    for line in listing.splitlines():
        fields = line.split('\t')
        if len(fields) < 2 or not fields[0].strip().endswith(':'):
            continue
        instruction = fields[1].strip()
        mnemonic = instruction.split(' ', 1)[0]
        if LATER_MNEMONIC.match(mnemonic) or LATER_OPERAND.search(instruction):
            found.append((fields[0].strip().rstrip(':'), instruction))
    return found


def problems(image, options):
    found = []
    if options.machine and image.machine_name != options.machine:
        found.append('machine %s, expected %s' % (image.machine_name, options.machine))
    if options.subsystem and image.subsystem_name != options.subsystem:
        found.append('subsystem %s, expected %s' % (image.subsystem_name, options.subsystem))
    if options.subsystem_version:
        version = '%d.%d' % image.subsystem_version
        if version != options.subsystem_version:
            found.append('subsystem version %s, expected %s' % (version, options.subsystem_version))
    for s in image.sections:
        if s.writable_and_executable:
            found.append('section %s is writable and executable' % s.name)
    if image.entry_point == 0:
        found.append('no entry point')
    allowed_dlls = {d.lower() for d in options.dll}
    allowed_functions = read_function_list(options.functions) if options.functions else None
    for dll, functions in image.imports().items():
        if options.dll and dll.lower() not in allowed_dlls:
            found.append('import from %s, which is not allowed' % dll)
            continue
        if allowed_functions is not None:
            found += ['import %s!%s is not on the list %s' % (dll, f, options.functions)
                      for f in functions if (dll.lower(), f) not in allowed_functions]
    if options.checksum:
        correct = pe_image.compute_checksum(image.data, image.checksum_offset)
        if image.checksum != correct:
            found.append('checksum 0x%08X, correct is 0x%08X' % (image.checksum, correct))
    if options.relocations and not image.has_relocations():
        found.append('no base relocations')
    if options.version_resource and pe_image.RESOURCE_VERSION not in image.resource_types():
        found.append('no version resource')
    if options.i586:
        found += ['instruction an i586 lacks at %s: %s' % (address, instruction)
                  for address, instruction in later_instructions(options.image)]
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('image')
    parser.add_argument('--machine', choices=sorted(pe_image.MACHINES.values()))
    parser.add_argument('--subsystem', choices=sorted(pe_image.SUBSYSTEMS.values()))
    parser.add_argument('--subsystem-version', metavar='MAJOR.MINOR')
    parser.add_argument('--dll', action='append', default=[], metavar='NAME')
    parser.add_argument('--functions', metavar='LIST')
    parser.add_argument('--checksum', action='store_true', help='the header checksum must be correct')
    parser.add_argument('--relocations', action='store_true', help='the image must carry base relocations')
    parser.add_argument('--version-resource', action='store_true', help='the image must carry a version resource')
    parser.add_argument('--i586', action='store_true', help='the code must run on an i586-class processor')
    options = parser.parse_args()
    name = os.path.basename(options.image)
    try:
        image = pe_image.load(options.image)
        found = problems(image, options)
    except (OSError, ValueError, struct.error, subprocess.CalledProcessError, pe_image.PeError) as e:
        print('check_pe: %s: FAIL (%s)' % (name, e))
        return 1
    for p in found:
        print('check_pe: %s: %s' % (name, p))
    if found:
        print('check_pe: %s: FAIL (%d problem%s)' % (name, len(found), '' if len(found) == 1 else 's'))
        return 1
    imported = sum(len(f) for f in image.imports().values())
    print('check_pe: %s: OK (%s, %s %d.%d, %d imports from %s, %d sections)' % (
        name, image.machine_name, image.subsystem_name, image.subsystem_version[0], image.subsystem_version[1],
        imported, ', '.join(image.imports()) or 'nothing', len(image.sections)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
