#!/usr/bin/env bash
# Assembles the installation medium from the builds:
#   build/medium/      what the installer expects in its current directory,
#                      from the 32-bit release build: the files of a disk
#   build/medium.zip   the same folder as a download
#   build/medium-sim/  the same layout from the 64-bit build, with the
#                      simulator build of the monitor as Kelvimon.EXE, for
#                      installing under Wine
#   build/medium-sim32/ the disk's files with the 32-bit simulator build of
#                      the monitor as Kelvimon.EXE, for installing under
#                      32-bit Wine
# Every file gets the time of the commit it was built from, and the zip has
# sorted entries with that time, so two builds of one commit are identical.
# Prints each file's size and what the disk needs of a 1.44 MB floppy.
# Exits 1 when a file is missing (the medium is then incomplete) or the
# medium does not fit.
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

epoch = int(sys.argv[1])

# (name on the medium, file in build/win32 for the disk, file for medium-sim,
# file for medium-sim32)
FILES = [
    ('KelvimonSetup.exe', 'build/win32/setup/KelvimonSetup.exe', 'build/win64/setup/KelvimonSetup.exe',
     'build/win32/setup/KelvimonSetup.exe'),
    ('Kelvimon.EXE', 'build/win32/monitor/Kelvimon.exe', 'build/win64/monitor/KelvimonSim.exe',
     'build/win32/monitor/KelvimonSim.exe'),
    ('_Unplant.exe', 'build/win32/unplant/_Unplant.exe', 'build/win64/unplant/_Unplant.exe',
     'build/win32/unplant/_Unplant.exe'),
    # 64-bit Wine cannot load an i386 driver: medium-sim carries it, and
    # the installer only copies.
    ('HwPio.sys', 'build/win32/driver/HwPio.sys', 'build/win32/driver/HwPio.sys', 'build/win32/driver/HwPio.sys'),
    ('install.ini', 'medium/install.ini', 'medium/install.ini', 'medium/install.ini'),
    ('README.TXT', 'medium/README.TXT', 'medium/README.TXT', 'medium/README.TXT'),
]
TEXTS = ('install.ini', 'README.TXT')
FLOPPY_BYTES = 2847 * 512  # the data area of a 1.44 MB FAT12 disk, one 512-byte sector a cluster
INI_LINE_LIMIT = 259       # the installer reads a line into 260 bytes

problems = []


def check_install_ini(text):
    # The installer stops at the first empty line and cuts long lines, so
    # either would silently drop a board maker's key.
    for n, line in enumerate(text.split(b'\r\n')[:-1], 1):
        if not line or b'=' not in line or len(line) > INI_LINE_LIMIT:
            problems.append('install.ini line %d is empty, has no "=" or is longer than %d characters'
                            % (n, INI_LINE_LIMIT))


def assemble(folder, column):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    present = []
    for entry in FILES:
        name, source = entry[0], entry[column]
        if not os.path.isfile(source):
            problems.append('%s: %s is missing (%s not built)' % (folder, name, source))
            continue
        target = os.path.join(folder, name)
        if name in TEXTS:
            text = open(source, 'rb').read().replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
            if name == 'install.ini':
                check_install_ini(text)
            open(target, 'wb').write(text)
        else:
            shutil.copyfile(source, target)
        os.chmod(target, 0o644)
        os.utime(target, (epoch, epoch))
        present.append(name)
    return present


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


disk = assemble('build/medium', 1)
assemble('build/medium-sim', 2)
assemble('build/medium-sim32', 3)
write_zip('build/medium', disk, 'build/medium.zip')

print('Installation medium build/medium (32-bit release build):')
print('  %-18s %10s %10s' % ('file', 'bytes', 'on floppy'))
used = 0
for name, *_ in FILES:
    if name not in disk:
        print('  %-18s %10s' % (name, 'MISSING'))
        continue
    size = os.path.getsize(os.path.join('build/medium', name))
    on_disk = (size + 511) // 512 * 512
    used += on_disk
    print('  %-18s %10d %10d' % (name, size, on_disk))
print('  %-18s %10s %10d of %d bytes (%d free)' % ('total', '', used, FLOPPY_BYTES, FLOPPY_BYTES - used))
print('  %-18s %10d' % ('build/medium.zip', os.path.getsize('build/medium.zip')))
if used > FLOPPY_BYTES:
    problems.append('the medium does not fit a 1.44 MB floppy disk')
for p in problems:
    print('MEDIUM INCOMPLETE: ' + p)
sys.exit(1 if problems else 0)
EOF
