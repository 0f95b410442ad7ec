#!/usr/bin/env bash
# Assembles the installation medium from the builds:
#   build/medium/      what the installer expects in its current directory,
#                      from the 32-bit release build: the files of a disk
#   build/medium.img   those files on a 1.44 MB FAT12 disk image, volume
#                      THERMIVO (tools/floppy_image.py), checked with
#                      fsck.fat and by reading every file back
#   build/medium.zip   the same files as a download
#   build/medium-sim/  the same layout from the 64-bit build, with the
#                      simulator build of the monitor as Kelvimon.EXE, for
#                      installing under Wine
#   build/medium-sim32/ the files read back out of build/medium.img, with the
#                      32-bit simulator build of the monitor as Kelvimon.EXE,
#                      for installing under 32-bit Wine
# Every file gets the time of the commit it was built from, and the zip has
# sorted entries with that time, so two builds of one commit are identical.
# Prints each file's size, what the disk takes and has free, and writes
# that table into README.md. Exits 1, naming the file and the reason, when a
# file is missing (the medium is then incomplete), the files do not fit the
# disk or a name takes another's name or 8.3 alias; no image is left then.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if ! log=$(scripts/build.sh win32 win64 2>&1); then
  echo "$log"
  exit 1
fi

# Outside a git checkout: 1980-01-01, the earliest time a zip entry holds.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD 2>/dev/null || echo 315532800)}
exec /usr/bin/python3 - "$epoch" <<'EOF'
import os, shutil, sys, time, zipfile

sys.path.insert(0, 'tools')
import floppy_image

epoch = int(sys.argv[1])

# The disk's files, in the order they go onto it: (name on the disk, file of
# the 32-bit release build, file of medium-sim, the file that medium-sim32
# takes instead of the image's copy).
FILES = [
    ('KelvimonSetup.exe', 'build/win32/setup/KelvimonSetup.exe', 'build/win64/setup/KelvimonSetup.exe', None),
    ('Kelvimon.EXE', 'build/win32/monitor/Kelvimon.exe', 'build/win64/monitor/KelvimonSim.exe',
     'build/win32/monitor/KelvimonSim.exe'),
    ('_Unplant.exe', 'build/win32/unplant/_Unplant.exe', 'build/win64/unplant/_Unplant.exe', None),
    ('Readings.exe', 'build/win32/reader/Readings.exe', 'build/win64/reader/Readings.exe', None),
    # 64-bit Wine cannot load an i386 driver: medium-sim carries it, and
    # the installer only copies.
    ('HwPio.sys', 'build/win32/driver/HwPio.sys', 'build/win32/driver/HwPio.sys', None),
    ('install.ini', 'medium/install.ini', 'medium/install.ini', None),
    ('README.TXT', 'medium/README.TXT', 'medium/README.TXT', None),
]
NAMES = [entry[0] for entry in FILES]
TEXTS = ('install.ini', 'README.TXT')
LABEL = 'THERMIVO'
INI_LINE_LIMIT = 259       # the installer reads a line into 260 bytes

problems = []


def check_install_ini(text):
    # The installer stops at the first empty line and cuts long lines, so
    # either would silently drop a board maker's key.
    for n, line in enumerate(text.split(b'\r\n')[:-1], 1):
        if not line or b'=' not in line or len(line) > INI_LINE_LIMIT:
            problems.append('install.ini line %d is empty, has no "=" or is longer than %d characters'
                            % (n, INI_LINE_LIMIT))


def fresh(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def place(source, target):
    if os.path.basename(target) in TEXTS:
        text = open(source, 'rb').read().replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
        if os.path.basename(target) == 'install.ini':
            check_install_ini(text)
        open(target, 'wb').write(text)
    else:
        shutil.copyfile(source, target)
    os.chmod(target, 0o644)
    os.utime(target, (epoch, epoch))


def assemble(folder, column):
    fresh(folder)
    present = []
    for entry in FILES:
        name, source = entry[0], entry[column]
        if not os.path.isfile(source):
            problems.append('%s: %s is missing (%s not built)' % (folder, name, source))
            continue
        place(source, os.path.join(folder, name))
        present.append(name)
    return present


def assemble_sim32(image_made):
    # What the disk image holds, read back out of it, so that what installs
    # under Wine is what the disk carries; only the monitor is the simulator
    # build, since the shipped one needs the real chip.
    folder = 'build/medium-sim32'
    fresh(folder)
    if image_made:
        fault = floppy_image.read_back('build/medium.img', NAMES, folder, epoch)
        if fault:
            problems.append('build/medium-sim32: ' + fault)
    else:
        print('build/medium-sim32: the files of build/medium, as no disk image was made')
        for name in NAMES:
            if os.path.isfile(os.path.join('build/medium', name)):
                shutil.copy2(os.path.join('build/medium', name), folder)
    for name, _, _, replacement in FILES:
        if replacement is None:
            continue
        if os.path.isfile(replacement):
            place(replacement, os.path.join(folder, name))
        else:
            problems.append('%s: %s is missing (%s not built)' % (folder, name, replacement))


def write_zip(folder, names, path):
    stamp = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(path + '.tmp', 'w') as z:
        for name in sorted(names):
            info = zipfile.ZipInfo(name, stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20  # archive attribute, as a DOS disk has it
            z.writestr(info, open(os.path.join(folder, name), 'rb').read(), compresslevel=9)
    os.replace(path + '.tmp', path)


def size_rows():
    """(file, bytes, on the disk) of the disk's files; bytes is None when missing."""
    rows = []
    for name in NAMES:
        path = os.path.join('build/medium', name)
        size = os.path.getsize(path) if os.path.isfile(path) else None
        rows.append((name, size, floppy_image.on_disk(size) if size is not None else None))
    return rows


def print_sizes(rows, free):
    print('Installation medium build/medium (32-bit release build):')
    print('  %-18s %10s %10s' % ('file', 'bytes', 'on disk'))
    for name, size, taken in rows:
        print('  %-18s %10s %10s' % (name, 'MISSING' if size is None else size, '' if taken is None else taken))
    used = sum(taken or 0 for _, _, taken in rows)
    print('  %-18s %10s %10d of %d bytes' % ('total', '', used, floppy_image.DATA_BYTES))
    print('  %-18s %10s %10s' % ('build/medium.img', '', 'NOT MADE' if free is None else '%d free' % free))
    print('  %-18s %10d' % ('build/medium.zip', os.path.getsize('build/medium.zip')))


def write_readme_table(rows, free):
    # README.md carries the table of the last build between two markers.
    begin, end = '<!-- sizes: written by scripts/build-medium.sh -->\n', '<!-- end of sizes -->\n'
    n = '{:,}'.format
    lines = ['| File | Bytes | On the disk |\n', '|---|---:|---:|\n']
    lines += ['| `%s` | %s | %s |\n' % (name, n(size), n(taken)) for name, size, taken in rows]
    lines.append('| total | | %s of %s |\n' % (n(sum(taken for _, _, taken in rows)), n(floppy_image.DATA_BYTES)))
    lines.append('| free on `build/medium.img` | | %s |\n' % n(free))
    lines.append('| `build/medium.zip` | %s | |\n' % n(os.path.getsize('build/medium.zip')))
    readme = open('README.md').read()
    if begin not in readme or end not in readme:
        problems.append('README.md has no size table between "%s" and "%s"' % (begin.strip(), end.strip()))
        return
    head, rest = readme.split(begin, 1)
    updated = head + begin + ''.join(lines) + end + rest.split(end, 1)[1]
    if updated != readme:
        open('README.md', 'w').write(updated)
        print('README.md: size table updated')


disk = assemble('build/medium', 1)
assemble('build/medium-sim', 2)
write_zip('build/medium', disk, 'build/medium.zip')
faults, entries, free = floppy_image.make('build/medium', NAMES, 'build/medium.img', LABEL, epoch)
problems += ['build/medium.img: ' + fault for fault in faults]
assemble_sim32(not faults)

rows = size_rows()
print_sizes(rows, None if faults else free)
if not faults:
    print('Disk image build/medium.img (volume %s): fsck.fat finds nothing; every file reads back as written' % LABEL)
    for short, long, size in entries:
        print('  %-12s %10d  %s' % (short, size, long or ''))
    write_readme_table(rows, free)
for p in problems:
    print('MEDIUM INCOMPLETE: ' + p)
sys.exit(1 if problems else 0)
EOF
