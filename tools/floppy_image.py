#!/usr/bin/python3
"""Makes the 1.44 MB FAT12 disk image of a folder's files, with mtools, and
checks it.

    floppy_image.py FOLDER IMAGE LABEL EPOCH NAME...

puts the named files of FOLDER onto a new disk, in that order, with their
long names and 8.3 aliases, their sizes and the time EPOCH, under the volume
label LABEL; checks the disk with fsck.fat and by reading every file back;
only then moves it to IMAGE and prints its directory. A FAT disk keeps local
times: the image holds EPOCH as UTC, the same for every build. Two builds of
the same files and EPOCH give the same bytes (the volume serial comes from
EPOCH too). On any fault it prints "NAME: reason" lines, leaves no IMAGE
behind, not even an older one, and exits 1.

Used as a module by scripts/build-medium.sh.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SECTOR = 512
IMAGE_BYTES = 2880 * SECTOR  # 80 tracks, 2 sides, 18 sectors
DATA_BYTES = 2847 * SECTOR   # what files may take: one sector a cluster
FSCK = shutil.which('fsck.fat') or '/usr/sbin/fsck.fat'


def on_disk(size):
    """The bytes a file of that size takes: whole clusters."""
    return (size + SECTOR - 1) // SECTOR * SECTOR


def _environment(epoch=0):
    # Times from EPOCH, in UTC; and no user's mtools settings change names.
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch), TZ='UTC0', MTOOLS_SKIP_CHECK='1',
               MTOOLS_NO_VFAT='0', MTOOLS_LOWER_CASE='0', MTOOLS_NAME_NUMERIC_TAIL='1')
    return env


def _run(env, *command):
    return subprocess.run(command, env=env, capture_output=True, text=True)


def directory(image):
    """[(8.3 name, long name or None, size)] of the disk's files, in
    directory order, and the bytes free."""
    out = _run(_environment(), 'mdir', '-i', image, '::').stdout
    entries, free = [], None
    for line in out.splitlines():
        m = re.match(r'(.{8}) (.{3}) +(\d+) \d{4}-\d\d-\d\d +\d+:\d\d(?: +(.+?))? *$', line)
        if m:
            base, ext = m.group(1).rstrip(), m.group(2).rstrip()
            entries.append((base + '.' + ext if ext else base, m.group(4), int(m.group(3))))
        m = re.match(r' *([\d ]+) bytes free$', line)
        if m:
            free = int(m.group(1).replace(' ', ''))
    return entries, free


def read_back(image, names, folder, epoch):
    """Copies the named files out of the image into folder, with their times."""
    env = _environment(epoch)
    os.makedirs(folder, exist_ok=True)
    for name in names:
        result = _run(env, 'mcopy', '-n', '-m', '-i', image, '::' + name, os.path.join(folder, name))
        if result.returncode != 0:
            return '%s: cannot be read back: %s' % (name, result.stderr.strip())
    return None


def _clash(name, entries):
    """Why mtools refused the name: whose name or 8.3 alias it takes."""
    for short, long, _ in entries:
        if long and long.upper() == name.upper():
            return '%s: differs only in case from %s, already on the disk' % (name, long)
        if short.upper() == name.upper():
            return '%s: is the 8.3 alias of %s, already on the disk' % (name, long) if long else \
                   '%s: differs only in case from %s, already on the disk' % (name, short)
    return None


def _fill(folder, names, image, label, epoch):
    """Formats image and copies the files onto it; the first fault, or None."""
    env = _environment(epoch)
    result = _run(env, 'mformat', '-C', '-i', image, '-f', '1440', '-v', label,
                  '-N', '%08X' % (epoch & 0xFFFFFFFF), '::')
    if result.returncode != 0:
        return 'mformat: ' + result.stderr.strip()
    for name in names:
        # Every time field gets EPOCH (SOURCE_DATE_EPOCH). -D s: a name that
        # another file's name or 8.3 alias already takes is skipped, and
        # mcopy fails.
        result = _run(env, 'mcopy', '-D', 's', '-i', image, os.path.join(folder, name), '::' + name)
        if result.returncode != 0:
            return _clash(name, directory(image)[0]) or '%s: %s' % (name, result.stderr.strip())
    return None


def _check(folder, names, image, epoch):
    """Faults of a filled image: fsck.fat's findings, names, bytes, times."""
    env = _environment(epoch)
    result = _run(env, FSCK, '-n', image)
    findings = [line for line in result.stdout.splitlines()
                if not re.match(r'fsck\.fat |.*: \d+ files, \d+/\d+ clusters$', line)]
    if result.returncode != 0 or findings:
        return ['fsck.fat: ' + line for line in findings or [result.stderr.strip()]]
    entries, _ = directory(image)
    shown = [long or short for short, long, _ in entries]
    if shown != list(names):
        return ['the disk shows %s instead of %s' % (', '.join(shown), ', '.join(names))]
    faults = []
    with tempfile.TemporaryDirectory() as back:
        fault = read_back(image, names, back, epoch)
        if fault:
            return [fault]
        for name in names:
            copy = os.path.join(back, name)
            if open(copy, 'rb').read() != open(os.path.join(folder, name), 'rb').read():
                faults.append('%s: reads back with other bytes' % name)
            # FAT keeps times in steps of two seconds.
            if int(os.path.getmtime(copy)) != epoch - epoch % 2:
                faults.append('%s: reads back with the time %d instead of %d' % (name, os.path.getmtime(copy), epoch))
    return faults


def make(folder, names, image, label, epoch):
    """Makes and checks the image; returns (faults, directory entries, bytes
    free). With faults, no image is left at IMAGE."""
    faults = ['%s: missing from %s' % (name, folder) for name in names
              if not os.path.isfile(os.path.join(folder, name))]
    taken = 0
    for name in names if not faults else []:
        taken += on_disk(os.path.getsize(os.path.join(folder, name)))
        if taken > DATA_BYTES:
            faults.append('%s: does not fit: with it the files take %d of the disk\'s %d bytes'
                          % (name, taken, DATA_BYTES))
            break
    building = image + '.tmp'
    for path in (building, image):
        if os.path.exists(path):
            os.remove(path)
    if not faults:
        fault = _fill(folder, names, building, label, epoch)
        faults = [fault] if fault else _check(folder, names, building, epoch)
    if faults:
        if os.path.exists(building):
            os.remove(building)
        return faults, [], 0
    entries, free = directory(building)
    os.replace(building, image)
    return [], entries, free


def main(argv):
    if len(argv) < 5:
        sys.exit(__doc__)
    folder, image, label, epoch, names = argv[0], argv[1], argv[2], int(argv[3]), argv[4:]
    faults, entries, free = make(folder, names, image, label, epoch)
    for fault in faults:
        print(fault)
    if faults:
        return 1
    for short, long, size in entries:
        print('%-12s %8d  %s' % (short, size, long or ''))
    print('%d bytes free' % free)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
