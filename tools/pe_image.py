#!/usr/bin/python3
"""Reads a Windows PE image (PE32 or PE32+): headers, sections, imports,
resource types, and the header checksum, which it can also compute and set.

    pe_image.py show FILE           prints what the image holds
    pe_image.py set-checksum FILE   writes the correct checksum into FILE

Used as a module by the build (the driver's checksum) and by the image checks
in tests/tools.
"""
import struct
import sys

MACHINES = {0x14C: 'i386', 0x8664: 'amd64'}
SUBSYSTEMS = {1: 'native', 2: 'gui', 3: 'console'}

SECTION_EXECUTE = 0x20000000
SECTION_READ = 0x40000000
SECTION_WRITE = 0x80000000
FILE_RELOCS_STRIPPED = 0x0001

DIR_IMPORT, DIR_RESOURCE, DIR_BASERELOC = 1, 2, 5
RESOURCE_VERSION = 16


class PeError(Exception):
    pass


class Section:
    def __init__(self, name, virtual_address, virtual_size, raw_offset, raw_size, flags):
        self.name = name
        self.virtual_address = virtual_address
        self.virtual_size = virtual_size
        self.raw_offset = raw_offset
        self.raw_size = raw_size
        self.flags = flags

    @property
    def writable_and_executable(self):
        return bool(self.flags & SECTION_WRITE) and bool(self.flags & SECTION_EXECUTE)

    def access(self):
        return ''.join(c if self.flags & bit else '-' for c, bit in
                       (('r', SECTION_READ), ('w', SECTION_WRITE), ('x', SECTION_EXECUTE)))


class PeImage:
    """The parts of a PE image that the checks look at."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ' or len(data) < 0x40:
            raise PeError('no MZ header')
        pe = self._u32(0x3C)
        if data[pe:pe + 4] != b'PE\0\0':
            raise PeError('no PE signature')
        coff = pe + 4
        self.machine, section_count = struct.unpack_from('<HH', data, coff)
        optional_size, self.characteristics = struct.unpack_from('<HH', data, coff + 16)
        opt = coff + 20
        magic = self._u16(opt)
        if magic not in (0x10B, 0x20B):
            raise PeError('unknown optional header magic 0x%X' % magic)
        self.pe32_plus = magic == 0x20B
        self.entry_point = self._u32(opt + 16)
        self.image_base = struct.unpack_from('<Q', data, opt + 24)[0] if self.pe32_plus else self._u32(opt + 28)
        self.image_size = self._u32(opt + 56)
        self.os_version = struct.unpack_from('<HH', data, opt + 40)
        self.subsystem_version = struct.unpack_from('<HH', data, opt + 48)
        self.checksum_offset = opt + 64
        self.checksum = self._u32(self.checksum_offset)
        self.subsystem, self.dll_characteristics = struct.unpack_from('<HH', data, opt + 68)
        directories = opt + (112 if self.pe32_plus else 96)
        directory_count = self._u32(directories - 4)
        self.directories = [struct.unpack_from('<II', data, directories + 8 * i)
                            if i < directory_count else (0, 0) for i in range(16)]
        self.sections = []
        table = opt + optional_size
        for i in range(section_count):
            entry = table + 40 * i
            name = data[entry:entry + 8].rstrip(b'\0').decode('latin-1')
            vsize, vaddr, rsize, roff = struct.unpack_from('<IIII', data, entry + 8)
            self.sections.append(Section(name, vaddr, vsize, roff, rsize, self._u32(entry + 36)))

    def _u16(self, offset):
        return struct.unpack_from('<H', self.data, offset)[0]

    def _u32(self, offset):
        return struct.unpack_from('<I', self.data, offset)[0]

    def offset_of(self, rva):
        for s in self.sections:
            if s.virtual_address <= rva < s.virtual_address + max(s.virtual_size, s.raw_size):
                return s.raw_offset + rva - s.virtual_address
        raise PeError('address 0x%X lies in no section' % rva)

    def _string(self, rva):
        start = self.offset_of(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('latin-1')

    @property
    def machine_name(self):
        return MACHINES.get(self.machine, '0x%X' % self.machine)

    @property
    def subsystem_name(self):
        return SUBSYSTEMS.get(self.subsystem, str(self.subsystem))

    def imports(self):
        """{dll name: [function names, '#ordinal' for imports by ordinal]}"""
        rva, _ = self.directories[DIR_IMPORT]
        result = {}
        if rva == 0:
            return result
        descriptor = self.offset_of(rva)
        thunk_size, ordinal_flag = (8, 1 << 63) if self.pe32_plus else (4, 1 << 31)
        while True:
            lookup, _, _, name_rva, address = struct.unpack_from('<IIIII', self.data, descriptor)
            if name_rva == 0:
                break
            functions = result.setdefault(self._string(name_rva), [])
            thunk = self.offset_of(lookup or address)
            while True:
                value = int.from_bytes(self.data[thunk:thunk + thunk_size], 'little')
                if value == 0:
                    break
                functions.append('#%d' % (value & 0xFFFF) if value & ordinal_flag else self._string(value + 2))
                thunk += thunk_size
            descriptor += 20
        return result

    def resource_types(self):
        rva, _ = self.directories[DIR_RESOURCE]
        if rva == 0:
            return []
        root = self.offset_of(rva)
        named, numbered = struct.unpack_from('<HH', self.data, root + 12)
        entries = root + 16 + 8 * named
        return [self._u32(entries + 8 * i) for i in range(numbered)]

    def has_relocations(self):
        rva, size = self.directories[DIR_BASERELOC]
        return rva != 0 and size != 0 and not self.characteristics & FILE_RELOCS_STRIPPED


def compute_checksum(data, checksum_offset):
    """The PE header checksum: the file summed as 16-bit words with end-around
    carry, the checksum field itself taken as zero, plus the file length."""
    padded = bytes(data[:checksum_offset]) + b'\0\0\0\0' + bytes(data[checksum_offset + 4:])
    if len(padded) % 2:
        padded += b'\0'
    total = sum(struct.unpack('<%dH' % (len(padded) // 2), padded))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def load(path):
    with open(path, 'rb') as f:
        return PeImage(f.read())


def set_checksum(path):
    image = load(path)
    data = bytearray(image.data)
    struct.pack_into('<I', data, image.checksum_offset, compute_checksum(data, image.checksum_offset))
    with open(path, 'wb') as f:
        f.write(data)


def show(path):
    image = load(path)
    print('%s: %s, subsystem %s %d.%d, entry 0x%X, checksum 0x%08X (correct 0x%08X), relocations %s' % (
        path, image.machine_name, image.subsystem_name, image.subsystem_version[0], image.subsystem_version[1],
        image.entry_point, image.checksum, compute_checksum(image.data, image.checksum_offset),
        'yes' if image.has_relocations() else 'no'))
    for s in image.sections:
        print('  section %-8s %s rva 0x%05X size 0x%05X' % (s.name, s.access(), s.virtual_address, s.virtual_size))
    for dll, functions in image.imports().items():
        print('  import %s: %s' % (dll, ' '.join(functions)))
    print('  resource types: %s' % ' '.join(str(t) for t in image.resource_types()))


def main(argv):
    if len(argv) != 3 or argv[1] not in ('show', 'set-checksum'):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        (show if argv[1] == 'show' else set_checksum)(argv[2])
    except (OSError, PeError, struct.error, ValueError) as e:
        print('pe_image: %s: %s' % (argv[2], e), file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
