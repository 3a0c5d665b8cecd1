"""The EPS document eps-export must write for a picture, built here from the
document layout independently of the plug-in, for byte-for-byte comparison.

A picture is (width, height, depth, palette, rows from the top); pixels are
colour-table indexes, or (r, g, b) tuples at 24 bits.
"""
import struct

CREATOR = "EPS export library v0.1.1.0 by Vorn"
LINE = 72  # hex characters on a complete sample line


def header(width, height, colour):
    size = "%d %d" % (width, height)
    lines = ["%!PS-Adobe-2.0 EPSF-1.2" if colour else "%!PS-Adobe-1.0 EPSF",
             "%%BoundingBox: 0 0 " + size, "%%Creator: " + CREATOR, "%%Pages: 1"]
    if colour:
        lines.append("%%Extensions: CMYK")
    lines += ["%%EndComments", "%%BeginProlog", "%%EndProlog", "%%Page: 1 1", "gsave",
              "4 dict begin", "/buffer 512 string def", "/SetValue", "{",
              " currentfile buffer readline pop", " token pop /x exch def",
              " token pop /y exch def pop", "} def", "SetValue", size,
              "/picstr x 3 mul string def" if colour else "/picstr x string def",
              "/ShowImg", "{ x y 8 [ x 0 0 y 0 0 ]", " { currentfile picstr readhexstring pop }",
              " false 3 colorimage } def" if colour else " image } def",
              "0 0 translate " + size + " scale", "ShowImg"]
    return "".join(line + "\n" for line in lines)


TRAILER = "\nend\ngrestore\nshowpage\n%%Trailer\n%%EOF\n"


def expected_eps(width, height, depth, palette, rows):
    if depth == 24:
        colours = [rgb for row in reversed(rows) for rgb in row]
        colour = True
    else:
        colours = [palette[i] for row in reversed(rows) for i in row]
        colour = any(len(set(rgb)) > 1 for rgb in colours)
    hexes = "".join(("%02x%02x%02x" % rgb) if colour else ("%02x" % rgb[0]) for rgb in colours)
    lines = [hexes[i:i + LINE] for i in range(0, len(hexes), LINE)]
    samples = "\n".join(lines) + ("\n" if lines and len(lines[-1]) == LINE else "")
    return (header(width, height, colour) + samples + TRAILER).encode("ascii")


def decode_bmp(data):
    """(width, height, depth, palette, rows from the top) of a .bmp file with a
    40-byte information header at 1, 4, 8 or 24 bits, without compression."""
    offset, = struct.unpack_from("<I", data, 10)
    size, width, height, _, depth, compression, _, _, _, used, _ = \
        struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert size == 40 and compression == 0 and depth in (1, 4, 8, 24)
    entries = (used or 1 << depth) if depth <= 8 else 0
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i])
               for i in range(entries)]
    stride = (width * depth + 31) // 32 * 4
    count = abs(height)
    rows = []
    for stored in range(count):
        raw = data[offset + stored * stride:offset + (stored + 1) * stride]
        if depth == 24:
            row = [(raw[3 * x + 2], raw[3 * x + 1], raw[3 * x]) for x in range(width)]
        else:
            per = 8 // depth
            mask = (1 << depth) - 1
            row = [raw[x // per] >> (8 - depth * (x % per + 1)) & mask for x in range(width)]
        rows.append(row)
    if height > 0:
        rows.reverse()  # stored bottom row first
    return width, count, depth, palette, rows
