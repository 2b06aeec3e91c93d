#!/usr/bin/env python3
"""Makes a small fuzzing seed from a real PE file: its headers and its
resource directory, with the section that holds the directory moved right
after the headers and each resource's data cut to at most 16 bytes of the
directory itself, so that the seed is a few KB and every byte of it is
parsed. Usage: pe_seed.py IN.exe OUT"""
import struct
import sys


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def main(source, target):
    image = bytearray(open(source, "rb").read())
    pe = u32(image, 0x3C)
    sections, optional_size = u16(image, pe + 6), u16(image, pe + 20)
    optional = pe + 24
    directories = optional + (96 if u16(image, optional) == 0x10B else 112)
    rva, size = u32(image, directories + 16), u32(image, directories + 20)
    table = optional + optional_size
    for i in range(sections):
        header = table + 40 * i
        address, raw_size, raw = u32(image, header + 12), u32(image, header + 16), u32(image, header + 20)
        if address <= rva < address + raw_size:
            break
    else:
        sys.exit(f"{source}: no section holds the resource directory")
    start = raw + rva - address
    area = bytearray(image[start:start + size])

    # Walks the tables, cutting each data entry down and noting how far the
    # directory's own structures reach.
    reach, pending, seen = 16, [0], set()
    while pending:
        offset = pending.pop()
        if offset in seen:
            continue
        seen.add(offset)
        entries = u16(area, offset + 12) + u16(area, offset + 14)
        reach = max(reach, offset + 16 + 8 * entries)
        for i in range(entries):
            name, target_field = u32(area, offset + 16 + 8 * i), u32(area, offset + 20 + 8 * i)
            if name & 0x80000000:
                text = name & 0x7FFFFFFF
                reach = max(reach, text + 2 + 2 * u16(area, text))
            if target_field & 0x80000000:
                pending.append(target_field & 0x7FFFFFFF)
            else:
                struct.pack_into("<II", area, target_field, rva, min(u32(area, target_field + 4), 16))
                reach = max(reach, target_field + 16)

    headers = u32(image, optional + 60)  # SizeOfHeaders
    seed = bytearray(image[:headers]) + area[:reach]
    struct.pack_into("<I", seed, directories + 20, reach)
    struct.pack_into("<II", seed, header + 16, reach, headers)
    open(target, "wb").write(seed)


if __name__ == "__main__":
    main(*sys.argv[1:])
