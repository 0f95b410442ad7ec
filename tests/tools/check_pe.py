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
objdump) and fails on any instruction outside the set of an i586-class
processor without MMX, naming its address and bytes.
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


# What an i586-class processor without MMX runs, as objdump names it in
# Intel syntax: the i486 integer and system instructions, the Pentium's own
# (cpuid, rdtsc, rdmsr, wrmsr, cmpxchg8b, rsm) and the x87 unit's of the 387
# (no fcomi, fcmov or fisttp). Anything else fails: conditional moves, MMX,
# SSE and AVX, sysenter, rdpmc, the multi-byte nops 0F 1F, endbr32, popcnt,
# lzcnt, movbe, crc32, and whatever a later compiler or flag brings.
I586_MNEMONICS = frozenset('''
    aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts call cbw cdq clc cld cli clts cmc
    cmp cmps cmpxchg cwd cwde daa das dec div enter fwait hlt idiv imul in inc ins int int3 into invd invlpg
    iret iretw ja jae jb jbe jcxz je jecxz jg jge jl jle jmp jne jno jnp jns jo jp js lahf lar lds lea leave
    les lfs lgdt lgdtd lgdtw lgs lidt lidtd lidtw lldt lmsw lods loop loope loopne lsl lss ltr mov movs movsx
    movzx mul neg nop not or out outs pop popa popaw popf popfw popw push pusha pushaw pushf pushfw pushw rcl
    rcr ret retf retfw retw rol ror sahf sal sar sbb scas seta setae setb setbe sete setg setge setl setle
    setne setno setnp setns seto setp sets sgdt sgdtd sgdtw shl shld shr shrd sidt sidtd sidtw sldt smsw stc
    std sti stos str sub test verr verw wbinvd xadd xchg xlat xor
    cpuid rdtsc rdmsr wrmsr cmpxchg8b rsm
    f2xm1 fabs fadd faddp fbld fbstp fchs fclex fcom fcomp fcompp fcos fdecstp fdiv fdivp fdivr fdivrp ffree
    fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit fist fistp fisub fisubr fld fld1 fldcw fldenv
    fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnclex fninit fnop fnsave fnstcw fnstenv fnstsw fpatan
    fprem fprem1 fptan frndint frstor fsave fscale fsin fsincos fsqrt fst fstcw fstenv fstp fstsw fsub fsubp
    fsubr fsubrp ftst fucom fucomp fucompp fxam fxch fxtract fyl2x fyl2xp1
'''.split())
# Prefixes objdump shows as words of their own.
I586_PREFIXES = frozenset('lock rep repz repnz repe repne data16 addr16 es cs ss ds fs gs'.split())
# Registers of later processors (MMX, SSE, AVX, AVX-512 masks, MPX) and the
# i486's test registers, which the Pentium no longer has.
LATER_REGISTER = re.compile(r'\b([xyz]?mm[0-9]+|k[0-7]|bnd[0-3]|tr[0-7])\b')
SINGLE_BYTE_NOP = '90'


def runs_on_i586(raw, instruction):
    """Whether an instruction (its bytes in hex, objdump's text) is one an
    i586 without MMX runs; a nop only as the single byte 90, as 0F 1F is
    the multi-byte nop of later processors."""
    words = instruction.split(',')[0].split()
    while words and words[0] in I586_PREFIXES:
        words.pop(0)
    if not words or '(bad)' in instruction or LATER_REGISTER.search(instruction):
        return False
    mnemonic = words[0]
    return mnemonic in I586_MNEMONICS and (mnemonic != 'nop' or raw == SINGLE_BYTE_NOP)


def constructor_lists_start(image, code):
    """Where the constructor and destructor lists that mingw-w64's linker
    puts at the end of the code section begin (each a word -1, addresses in
    the image, a word 0), or the end of the code when they are not there:
    they are data, not instructions."""
    if len(code) % 4:
        return len(code)
    words = struct.unpack('<%dI' % (len(code) // 4), code)
    in_image = range(image.image_base, image.image_base + image.image_size)

    def list_start(end):
        """The index of the -1 of a list whose addresses end at end, or None."""
        while end > 0 and words[end - 1] in in_image:
            end -= 1
        return end - 1 if end > 0 and words[end - 1] == 0xFFFFFFFF else None

    end = len(words)
    while end > 0 and words[end - 1] == 0:  # the destructor list's closing 0, and padding
        end -= 1
    destructors = list_start(end)
    if not destructors or words[destructors - 1] != 0:
        return len(code)
    constructors = list_start(destructors - 1)
    return len(code) if constructors is None else 4 * constructors


def later_instructions(image, path):
    """[(address, bytes, instruction)] of the instructions an i586 without
    MMX does not run, in every executable section."""
    found = []
    for section in image.sections:
        if not section.flags & pe_image.SECTION_EXECUTE:
            continue
        code = image.data[section.raw_offset:section.raw_offset + min(section.virtual_size, section.raw_size)]
        start = image.image_base + section.virtual_address
        stop = start + constructor_lists_start(image, code)
        listing = subprocess.run(
            ['i686-w64-mingw32-objdump', '-d', '-M', 'intel', '--insn-width=16', '-j', section.name,
             '--start-address=0x%x' % start, '--stop-address=0x%x' % stop, path],
            check=True, capture_output=True, text=True).stdout
        for line in listing.splitlines():
            fields = line.split('\t')
            if len(fields) < 3 or not fields[0].strip().endswith(':'):
                continue
            # Without the symbol objdump names after an address, "<name+0x8>".
            raw = fields[1].strip()
            instruction = ' '.join(re.sub(r'<[^>]*>', '', fields[2]).split())
            if not runs_on_i586(raw, instruction):
                found.append((fields[0].strip().rstrip(':'), raw, instruction))
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
        found += ['instruction an i586 lacks at %s: %s (%s)' % (address, raw, instruction)
                  for address, raw, instruction in later_instructions(image, options.image)]
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
