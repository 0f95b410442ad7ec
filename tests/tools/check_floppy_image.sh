#!/usr/bin/env bash
# Checks the disk image of the installation medium (build/medium.img, made by
# scripts/build-medium.sh with tools/floppy_image.py): made again from
# build/medium it has the same bytes, and a folder that the disk cannot take
# fails with the file's name and the reason, leaving no image, not even an
# older one. Prints one line per case; exits 1 naming what is wrong.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

if [ ! -f "$root/build/medium.img" ]; then
  echo "check_floppy_image: FAIL (no build/medium.img; run scripts/build-medium.sh)"
  exit 1
fi
# Again, with the same files in the disk's order and the time they carry.
if ! /usr/bin/python3 - "$root" "$tmp/again.img" <<'EOF'; then fail=1; fi
import os, subprocess, sys
root, again = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(root, 'tools'))
import floppy_image
image, folder = os.path.join(root, 'build/medium.img'), os.path.join(root, 'build/medium')
names = [long or short for short, long, _ in floppy_image.directory(image)[0]]
label = subprocess.run(['mlabel', '-s', '-i', image, '::'], env=dict(os.environ, MTOOLS_SKIP_CHECK='1'),
                       capture_output=True, text=True).stdout.split(' is ')[-1].strip()
epoch = int(os.path.getmtime(os.path.join(folder, names[0])))
faults, _, _ = floppy_image.make(folder, names, again, label, epoch)
same = not faults and open(again, 'rb').read() == open(image, 'rb').read()
print('made again from build/medium (%d files, volume %s): %s'
      % (len(names), label, 'the same bytes' if same else 'DIFFERENT: ' + '; '.join(faults)))
sys.exit(0 if same else 1)
EOF

# name | files in the folder (name=bytes) | names to put on the disk | what the failure must say
cases=(
  "a file missing|SETUP.EXE=10|SETUP.EXE GONE.TXT|GONE.TXT: missing"
  "no longer fits|SETUP.EXE=1000000 BIG.DAT=457665 LAST.TXT=1|SETUP.EXE BIG.DAT LAST.TXT|BIG.DAT: does not fit"
  "another's 8.3 alias|KelvimonSetup.exe=10 KELVIM~1.EXE=10|KelvimonSetup.exe KELVIM~1.EXE|KELVIM~1.EXE: is the 8.3 alias of KelvimonSetup.exe"
  "another's name in other case|readme.txt=10 README.TXT=10|readme.txt README.TXT|README.TXT: differs only in case from readme.txt"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r name files names expected <<<"$entry"
  folder="$tmp/${name// /-}"
  mkdir -p "$folder"
  for file in $files; do truncate -s "${file#*=}" "$folder/${file%%=*}"; done
  image="$folder.img"
  cp "$root/build/medium.img" "$image"  # an earlier build's image
  # shellcheck disable=SC2086
  out=$(/usr/bin/python3 "$root/tools/floppy_image.py" "$folder" "$image" TEST 315532800 $names 2>&1)
  status=$?
  if [ $status -ne 1 ] || [[ "$out" != *"$expected"* ]] || [ -e "$image" ] || [ -e "$image.tmp" ]; then
    echo "$name: FAIL (exit $status, image $([ -e "$image" ] && echo left || echo gone)): $out"
    fail=1
  else
    echo "$name: fails as it should: $out"
  fi
done

[ "$fail" -eq 0 ] && echo "check_floppy_image: OK"
exit "$fail"
