"""Writes .bmp files for the tests and samples: any depth, any of the four
information header versions, bottom-up or top-down rows.

A picture is given as rows from top to bottom; each pixel is a colour-table
index (1, 4 and 8 bits), an (r, g, b) tuple (24 bits) or a raw integer stored
as is (16 and 32 bits).
"""
import struct

HEADER_SIZES = (12, 40, 108, 124)


def row_stride(width, depth):
    return (width * depth + 31) // 32 * 4


def pack_row(pixels, depth):
    out = bytearray()
    if depth in (1, 4):
        per_byte = 8 // depth
        for start in range(0, len(pixels), per_byte):
            value = 0
            chunk = pixels[start:start + per_byte]
            for i, index in enumerate(chunk):
                value |= index << (8 - depth * (i + 1))
            out.append(value)
    elif depth == 8:
        out.extend(pixels)
    elif depth == 24:
        for r, g, b in pixels:
            out.extend((b, g, r))
    elif depth == 16:
        for v in pixels:
            out.extend(struct.pack("<H", v))
    elif depth == 32:
        for v in pixels:
            out.extend(struct.pack("<I", v))
    else:
        raise ValueError("depth %d" % depth)
    return bytes(out)


def encode_rows(rows, width, depth, top_down=False):
    stride = row_stride(width, depth)
    stored = rows if top_down else list(reversed(rows))
    return b"".join(pack_row(r, depth).ljust(stride, b"\0") for r in stored)


def info_header(size, width, height, depth, compression, colours_used):
    if size == 12:
        return struct.pack("<IHHHH", 12, width, height, 1, depth)
    fields = struct.pack("<IiiHHIIiiII", size, width, height, 1, depth, compression,
                         0, 2835, 2835, colours_used, 0)
    return fields.ljust(size, b"\0")


def make_bmp(rows, depth, palette=(), header_size=40, top_down=False, width=None,
             colours_used=None, compression=0, masks=b"", gap=b""):
    """Returns the bytes of a .bmp file.

    palette: (r, g, b) entries written as the colour table (3 bytes each in a
    12-byte header, else 4); colours_used: biClrUsed (default: the number of
    entries when it is below 2^depth, else 0); masks: bytes written between
    the header and the table; gap: bytes between the table and the rows.
    """
    if width is None:
        width = len(rows[0]) if rows else 0
    height = len(rows)
    if colours_used is None:
        colours_used = len(palette) if depth <= 8 and len(palette) < (1 << depth) else 0
    entry = (lambda r, g, b: bytes((b, g, r))) if header_size == 12 else \
            (lambda r, g, b: bytes((b, g, r, 0)))
    table = b"".join(entry(*c) for c in palette)
    header = info_header(header_size, width, -height if top_down else height, depth,
                         compression, colours_used)
    pixels = encode_rows(rows, width, depth, top_down)
    offset = 14 + len(header) + len(masks) + len(table) + len(gap)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return file_header + header + masks + table + gap + pixels


def grey_palette(entries):
    return [(v, v, v) for v in (i * 255 // max(entries - 1, 1) for i in range(entries))]


def colour_palette(entries):
    return [((i * 67 + 20) % 256, (i * 131 + 90) % 256, (255 - i * 29) % 256)
            for i in range(entries)]
