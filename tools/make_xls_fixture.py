#!/usr/bin/env python3
"""Writes the small legacy binary workbook (.xls, BIFF8 in a compound document) that kavra's tests
read: no Linux tool writes this format, so the file is made here from the format's records.

usage: tools/make_xls_fixture.py OUT.xls

Sheets:
  People   Name, Age, Born (header row); rows Ann 30 1990-05-01, Bob 41.5 1983-01-02 08:30,
           Çelik 30 (no date), an empty row, Dee 7
  Numbers  1, 2 (an RK value), 2, 3.25 in column A without a header
"""
import struct
import sys

SECTOR = 512
ENDOFCHAIN, FREESECT, FATSECT, NOSTREAM = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFF


def record(kind, body=b""):
    return struct.pack("<HH", kind, len(body)) + body


def bof(dt):
    return record(0x0809, struct.pack("<HHHHII", 0x0600, dt, 0x0DBB, 0x07CC, 0, 0x06))


def unicode_string(text, length_format):
    """XLUnicodeString (length_format '<H') or ShortXLUnicodeString ('<B'), UTF-16 when needed."""
    try:
        data, high = text.encode("latin-1"), 0
    except UnicodeEncodeError:
        data, high = text.encode("utf-16-le"), 1
    return struct.pack(length_format, len(text)) + bytes([high]) + data


def xf(number_format):
    # Cell XF: font 0, the number format, no protection flags, everything else default.
    return record(0x00E0, struct.pack("<HHH", 0, number_format, 0x0001) + bytes(14))


def cell_header(row, col, xf_index):
    return struct.pack("<HHH", row, col, xf_index)


def label_sst(row, col, index):
    return record(0x00FD, cell_header(row, col, 0) + struct.pack("<I", index))


def number(row, col, value, xf_index=0):
    return record(0x0203, cell_header(row, col, xf_index) + struct.pack("<d", value))


def rk_integer(row, col, value):
    return record(0x027E, cell_header(row, col, 0) + struct.pack("<I", (value << 2) | 0x2))


def dimensions(rows, cols):
    return record(0x0200, struct.pack("<IIHHH", 0, rows, 0, cols, 0))


def workbook_stream():
    strings = ["Name", "Age", "Born", "Ann", "Bob", "Çelik", "Dee"]
    sst_body = struct.pack("<II", len(strings), len(strings))
    for s in strings:
        sst_body += unicode_string(s, "<H")
    S = {s: i for i, s in enumerate(strings)}

    people = (bof(0x0010) + dimensions(6, 3)
              + label_sst(0, 0, S["Name"]) + label_sst(0, 1, S["Age"]) + label_sst(0, 2, S["Born"])
              + label_sst(1, 0, S["Ann"]) + number(1, 1, 30) + number(1, 2, 32994, 1)
              + label_sst(2, 0, S["Bob"]) + number(2, 1, 41.5) + number(2, 2, 30318 + 8.5 / 24, 2)
              + label_sst(3, 0, S["Çelik"]) + number(3, 1, 30)
              + label_sst(5, 0, S["Dee"]) + number(5, 1, 7)
              + record(0x000A))
    numbers = (bof(0x0010) + dimensions(4, 1)
               + number(0, 0, 1) + rk_integer(1, 0, 2) + number(2, 0, 2) + number(3, 0, 3.25)
               + record(0x000A))

    def globals_part(pad, offsets):
        part = (bof(0x0005) + record(0x0042, struct.pack("<H", 1200))
                + record(0x0022, struct.pack("<H", 0)))
        if pad:
            part += record(0x005C, bytes(pad))  # WRITEACCESS, padding the stream past 4096 bytes
        part += xf(0) + xf(14) + xf(22) + record(0x00FC, sst_body)
        for name, offset in zip(["People", "Numbers"], offsets):
            part += record(0x0085, struct.pack("<IBB", offset, 0, 0) + unicode_string(name, "<B"))
        return part + record(0x000A)

    # Streams under 4096 bytes would go to the mini stream; a padded one stays in plain sectors.
    size = len(globals_part(0, [0, 0])) + len(people) + len(numbers)
    pad = max(0, 4200 - size)
    head = len(globals_part(pad, [0, 0]))
    return globals_part(pad, [head, head + len(people)]) + people + numbers


def directory_entry(name, kind, child, start, size):
    encoded = (name + "\0").encode("utf-16-le") if name else b""
    return (encoded.ljust(64, b"\0") + struct.pack("<HBB", len(encoded), kind, 1)
            + struct.pack("<III", NOSTREAM, NOSTREAM, child) + bytes(16) + struct.pack("<I", 0)
            + bytes(16) + struct.pack("<IQ", start, size))


def compound_file(stream):
    stream_sectors = (len(stream) + SECTOR - 1) // SECTOR
    dir_sector = 1 + stream_sectors
    fat = [FATSECT] + [i + 1 for i in range(1, stream_sectors)] + [ENDOFCHAIN, ENDOFCHAIN]
    assert len(fat) <= SECTOR // 4
    fat += [FREESECT] * (SECTOR // 4 - len(fat))
    header = (bytes.fromhex("D0CF11E0A1B11AE1") + bytes(16)
              + struct.pack("<HHHHH", 0x003E, 0x0003, 0xFFFE, 9, 6) + bytes(6)
              + struct.pack("<IIIIIIIII", 0, 1, dir_sector, 0, 4096, ENDOFCHAIN, 0, ENDOFCHAIN, 0)
              + struct.pack("<I", 0) + struct.pack("<I", FREESECT) * 108)
    assert len(header) == SECTOR
    empty = bytes(64) + struct.pack("<HBB", 0, 0, 0) + struct.pack("<III", NOSTREAM, NOSTREAM,
                                                                    NOSTREAM) + bytes(48)
    directory = (directory_entry("Root Entry", 5, 1, ENDOFCHAIN, 0)
                 + directory_entry("Workbook", 2, NOSTREAM, 1, len(stream)) + empty + empty)
    assert len(directory) == SECTOR
    return (header + struct.pack("<128I", *fat) + stream.ljust(stream_sectors * SECTOR, b"\0")
            + directory)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(compound_file(workbook_stream()))
