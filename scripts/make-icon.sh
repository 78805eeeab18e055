#!/usr/bin/env bash
# Renders the program's picture (resources/images/title/LUMOEye.svg) into the
# Windows icon resources/TaldorIPUtility.ico: PNG images of 16, 24, 32, 48 and
# 256 pixels in one ICO file. Run it again when the picture changes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 24 32 48 256)
for size in "${sizes[@]}"; do
    rsvg-convert -w "$size" -h "$size" "$root/resources/images/title/LUMOEye.svg" -o "$work/$size.png"
done
python3 - "$root/resources/TaldorIPUtility.ico" "$work" "${sizes[@]}" <<'PY'
import struct, sys
out, work, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
images = [open(f"{work}/{s}.png", "rb").read() for s in sizes]
header = struct.pack("<HHH", 0, 1, len(images))
offset = len(header) + 16 * len(images)
entries = b""
for size, data in zip(sizes, images):
    # A width or height of 256 is written as 0.
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open(out, "wb") as f:
    f.write(header + entries + b"".join(images))
PY
echo "$root/resources/TaldorIPUtility.ico"
