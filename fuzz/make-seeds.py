#!/usr/bin/env python3
"""Writes the small seed corpus of each fuzzer into fuzz/corpus/<fuzzer>/.

Each seed is a deliberate case (a depth, an odd width, top-down rows, a short
block, an unsupported depth, a malformed file), so that fuzzing starts from
inputs that reach the interesting paths. Run it again after changing a
fuzzer's input layout; the files are small and kept in the repository.
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent

# create_picture: flags, width low, width high / odd depth, height, split (LE), rest.
FIT, RAW, TOP_DOWN, BY_POINTERS, NULL_ROWS = 0x80, 0x20, 0x08, 0x10, 0x40
DEPTH_INDEX = {1: 0, 4: 1, 8: 2, 24: 3}


def picture(depth, width, height, entries, table, rows, flags=FIT, rows_short=0):
    """A fit-mode input: the handles hold the header, `entries` table entries and the
    rows, less `rows_short` (0..4) bytes."""
    head = bytes([flags | DEPTH_INDEX[depth], width & 0xFF, width >> 8, height])
    description = bytes(40) + table
    assert len(table) == 4 * entries
    slack = 0 if rows_short == 0 else rows_short + 3
    return head + struct.pack("<H", entries | slack << 10) + description + rows


def grey_table(n):
    return b"".join(bytes([v, v, v, 0]) for v in (i * 255 // max(n - 1, 1) for i in range(n)))


def create_picture_seeds():
    black_white = grey_table(2)
    yield "depth1-9x2-grey", picture(1, 9, 2, 2, black_white, bytes.fromhex("a5800000ff7f0000"))
    yield "depth4-3x2-topdown-colour", picture(
        4, 3, 2, 4, bytes.fromhex("000000001020300040404000ff000000"),
        bytes.fromhex("12300000" "32100000"), FIT | TOP_DOWN | BY_POINTERS)
    yield "depth8-13x3-grey", picture(8, 13, 3, 16, grey_table(16), bytes(range(48)))
    yield "depth24-5x2-by-pointers", picture(24, 5, 2, 0, b"", bytes(range(1, 33)),
                                             FIT | BY_POINTERS)
    yield "depth24-rows-one-byte-short", picture(24, 3, 2, 0, b"", bytes(range(24)),
                                                 rows_short=1)
    yield "depth8-entry-missing", picture(8, 4, 1, 2, grey_table(2), bytes([0, 1, 2, 1]))
    # Not fit: the split word divides the rest; 16 bits per pixel is refused.
    yield "depth16-refused", bytes([7, 4, 32, 1]) + struct.pack("<H", 40) + bytes(48)
    yield "rows-too-short", bytes([3, 5, 0, 4]) + struct.pack("<H", 40) + bytes(40 + 20)
    yield "raw-header-top-down", (bytes([RAW | 2, 0, 0, 0]) + struct.pack("<H", 44)
                                  + struct.pack("<IiiHH", 40, 3, -2, 1, 8) + bytes(24)
                                  + bytes(4) + bytes(8))
    yield "null-rows-handle", picture(1, 1, 1, 2, black_white, bytes(4), FIT | NULL_ROWS)


def scan(depth, width, height, rest, top_down=False):
    flags = DEPTH_INDEX[depth] | (4 if top_down else 0)
    return bytes([flags, width, height]) + rest


def sample_scan_seeds():
    noise = bytes((i * 97 + 13) & 0xFF for i in range(512))
    yield "depth1-37x2", scan(1, 37, 2, noise)
    yield "depth4-3x1", scan(4, 3, 1, bytes.fromhex("12300000") + noise[:64])
    yield "depth8-200x3-top-down", scan(8, 200, 3, noise, top_down=True)
    yield "depth24-13x1", scan(24, 13, 1, noise[:40])
    yield "depth8-width0", scan(8, 0, 5, b"")


def bmp_file(depth, width, height, table, rows, header_size=40):
    """A .bmp with the given information header size (12 = the old core header)."""
    if header_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, depth)
    else:
        info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, depth, 0, len(rows),
                           2835, 2835, len(table) // (3 if header_size == 12 else 4), 0)
        info += bytes(header_size - 40)
    offset = 14 + len(info) + len(table)
    head = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    return head + info + table + rows


def bmp_reader_seeds():
    yield "depth1-9x2.bmp", bmp_file(1, 9, 2, grey_table(2), bytes.fromhex("a5800000ff7f0000"))
    yield "depth4-3x-2-top-down.bmp", bmp_file(4, 3, -2, grey_table(16), bytes(8))
    yield "depth8-4x1.bmp", bmp_file(8, 4, 1, grey_table(4), bytes([0, 1, 2, 3]))
    yield "depth24-2x2.bmp", bmp_file(24, 2, 2, b"", bytes(range(16)))
    yield "core-header-depth8.bmp", bmp_file(
        8, 2, 1, b"".join(bytes([v, v, v]) for v in (0, 255)), bytes([0, 1, 0, 0]), 12)
    yield "v5-header-depth24.bmp", bmp_file(24, 1, 1, b"", bytes(4), 124)
    yield "truncated-rows.bmp", bmp_file(24, 4, 4, b"", bytes(16))[:-8]


def main():
    for fuzzer, seeds in (("create_picture", create_picture_seeds),
                          ("sample_scan", sample_scan_seeds),
                          ("bmp_reader", bmp_reader_seeds)):
        folder = HERE / "corpus" / fuzzer
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in seeds():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
