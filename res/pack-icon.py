#!/usr/bin/env python3
"""Writes an icon file from an icon of bitmap entries and PNG pictures of the larger sizes.

    pack-icon.py OUT.ico SMALL.ico LARGE.png...

The entries of SMALL.ico are kept as they are; each PNG becomes a PNG-compressed entry (which the system reads from
Windows Vista on): the large sizes then take a fraction of their 32-bit bitmap bytes.
"""
import struct
import sys


def main(out_name, small_name, *png_names):
    small = open(small_name, 'rb').read()
    count = struct.unpack_from('<3H', small)[2]
    images = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from('<4B2H2I', small, 6 + 16 * i)
        images.append((w, h, colours, planes, bits, small[offset:offset + size]))
    for name in png_names:
        data = open(name, 'rb').read()
        w, h = struct.unpack_from('>2I', data, 16)
        images.append((w % 256, h % 256, 0, 1, 32, data))
    out = struct.pack('<3H', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, colours, planes, bits, data in images:
        out += struct.pack('<4B2H2I', w, h, colours, 0, planes, bits, len(data), offset)
        offset += len(data)
    open(out_name, 'wb').write(out + b''.join(image[-1] for image in images))


if __name__ == '__main__':
    main(*sys.argv[1:])
