#!/usr/bin/env python3
"""Writes random_golden.txt: reference draw sequences of the engine's random generator.

Written independently of the C++ code, from the generator's rules:
  - state x, y, z, w (32-bit); a fresh generator has y = 362436069, z = 521288629,
    w = 88675123; seeding sets x only;
  - a fill runs 16384 xorshift128 steps and stores each new w as 4 little-endian bytes;
  - a draw of 2, 4 or 8 bytes refills first when offset + size > 65535, then reads a
    little-endian integer at the offset and clears its sign bit.

Line format:  <op> <args...> = <results...> @ <offset after the last draw>
A line with several results means the op is called once per result, in order.
Characters are written as their code points, doubles with repr().

Run from this folder:  python3 random_golden.py
"""

import math
import os

MASK32 = 0xFFFFFFFF
BUFFER_BYTES = 65536


class Reference:
    def __init__(self, seed):
        self.x = seed & MASK32
        self.y = 362436069
        self.z = 521288629
        self.w = 88675123
        self.buf = bytearray(BUFFER_BYTES)
        self.offset = 0
        self.spare = None
        self.fill()

    def fill(self):
        for i in range(BUFFER_BYTES // 4):
            t = (self.x ^ (self.x << 11)) & MASK32
            self.x, self.y, self.z = self.y, self.z, self.w
            self.w = (self.w ^ (self.w >> 19) ^ t ^ (t >> 8)) & MASK32
            self.buf[4 * i:4 * i + 4] = self.w.to_bytes(4, "little")
        self.offset = 0

    def take(self, size):
        if self.offset + size > BUFFER_BYTES - 1:
            self.fill()
        raw = int.from_bytes(self.buf[self.offset:self.offset + size], "little")
        self.offset += size
        return raw & ((1 << (8 * size - 1)) - 1)

    def next(self, n):
        if n <= 0:
            return 0
        if n > 32766:
            return self.take(4) % n
        return self.take(2) % n

    def next64(self, n):
        if n > 2147483647:
            return self.take(8) % n
        return self.next(n)

    def digit(self):
        return ord("0") + self.next(10)

    def letter(self):
        return ord("a") + self.next(26)

    def upper(self):
        return ord("A") + self.next(26)

    def hexchar(self):
        v = self.next(16)
        return ord("0") + v if v <= 9 else ord("A") + v - 10

    def separator(self):
        return ord(".,?!"[self.next(4)])

    def even(self, lo, hi, decimals):
        diff = int(hi) - int(lo)
        span = max(diff, 0)
        result = lo
        for _ in range(10):
            if diff <= 0:
                result = lo
            else:
                result = result + self.next(span)
            if decimals > 0:
                c = 10.0 ** decimals
                d = c
                while d > 0.0001 and d / c + result > hi:
                    d = d * 0.9
                result = result + self.next(int(d)) / c
            elif decimals < 0:
                p = 10 ** (-decimals)
                whole = int(result)  # truncates towards zero
                rem = abs(whole) % p
                result = result - (rem if whole >= 0 else -rem)
            if lo <= result <= hi:
                break
        return result

    def linear(self, lo, span):
        while True:
            u = 1 - self.take(2) / 32760.0
            d = 1 - self.take(2) / 32760.0
            if u <= d:
                return lo + span * d

    def normal(self, mean, dev):
        if self.spare is not None:
            y, s = self.spare
            self.spare = None
            return mean + dev * y * math.sqrt(-2 * math.log(s) / s)
        while True:
            x = 1 - self.take(2) / 16380.0
            y = 1 - self.take(2) / 16380.0
            s = x * x + y * y
            if 0 < s < 1:
                break
        self.spare = (y, s)
        return mean + dev * x * math.sqrt(-2 * math.log(s) / s)

    BLOCKS = [(32, 126), (913, 1011), (1025, 1103), (1424, 1535), (1536, 1791),
              (1792, 1871), (2432, 2559), (3584, 3711), (3712, 3839), (6144, 6319),
              (19968, 40959), (44032, 55215)]

    def unicode(self, blocks):
        i = self.next(len(blocks))
        first, last = self.BLOCKS[blocks[i]]
        return first + self.next(last - first)


# (op name as the test knows it, argument texts, callable)
def mixed_ops(g):
    return [
        ("Next", ["0"], lambda: g.next(0)),
        ("Next", ["-5"], lambda: g.next(-5)),
        ("Next", ["1"], lambda: g.next(1)),
        ("Next", ["2"], lambda: g.next(2)),
        ("Next", ["10"], lambda: g.next(10)),
        ("Next", ["32766"], lambda: g.next(32766)),
        ("Next", ["32767"], lambda: g.next(32767)),
        ("Next", ["100000"], lambda: g.next(100000)),
        ("Next", ["2147483647"], lambda: g.next(2147483647)),
        ("Next64", ["1000"], lambda: g.next64(1000)),
        ("Next64", ["2147483647"], lambda: g.next64(2147483647)),
        ("Next64", ["2147483648"], lambda: g.next64(2147483648)),
        ("Next64", ["5000000000000"], lambda: g.next64(5000000000000)),
        ("NextDigit", [], g.digit),
        ("NextLetter", [], g.letter),
        ("NextUpperLetter", [], g.upper),
        ("NextHexChar", [], g.hexchar),
        ("NextSeparator", [], g.separator),
        ("NextEven", ["0", "10", "2"], lambda: g.even(0.0, 10.0, 2)),
        ("NextEven", ["1", "1", "0"], lambda: g.even(1.0, 1.0, 0)),
        ("NextEven", ["-50", "50", "0"], lambda: g.even(-50.0, 50.0, 0)),
        ("NextEven", ["0", "1000", "-2"], lambda: g.even(0.0, 1000.0, -2)),
        ("NextEven", ["-1000", "-10", "-1"], lambda: g.even(-1000.0, -10.0, -1)),
        ("NextEven", ["2.5", "7.25", "3"], lambda: g.even(2.5, 7.25, 3)),
        ("NextEven", ["5", "3", "1"], lambda: g.even(5.0, 3.0, 1)),
        ("NextLinear", ["0", "1"], lambda: g.linear(0.0, 1.0)),
        ("NextLinear", ["10", "5"], lambda: g.linear(10.0, 5.0)),
        ("NextNormal", ["0", "1"], lambda: g.normal(0.0, 1.0)),
        ("NextNormal", ["100", "15"], lambda: g.normal(100.0, 15.0)),
        ("NextNormal", ["-3", "0.5"], lambda: g.normal(-3.0, 0.5)),
        ("OneUnicodeChar", ["0"], lambda: g.unicode([0])),
        ("OneUnicodeChar", ["1", "10", "11"], lambda: g.unicode([1, 10, 11])),
    ]


def fmt(v):
    return repr(v) if isinstance(v, float) else str(v)


def write_mixed(out, g, rounds):
    for _ in range(rounds):
        for name, args, draw in mixed_ops(g):
            value = draw()
            out.append(" ".join([name] + args + ["=", fmt(value), "@", str(g.offset)]))


def main():
    out = []

    # Seed 1: more than 32768 two-byte draws, so the run crosses a refill, then every kind of draw.
    g = Reference(1)
    out.append("seed 1")
    for _ in range(331):
        values = [g.next(1000) for _ in range(100)]
        out.append(" ".join(["Next", "1000", "="] + [str(v) for v in values] + ["@", str(g.offset)]))
    write_mixed(out, g, 3)

    # Seed 123456789: every kind of draw, then 8-byte draws up to near the end of the buffer, then
    # draws of mixed widths across the refill.
    g = Reference(123456789)
    out.append("seed 123456789")
    write_mixed(out, g, 3)
    while g.offset < 64000:
        values = [g.next64(5000000000) for _ in range(100)]
        out.append(" ".join(["Next64", "5000000000", "="] + [str(v) for v in values]
                            + ["@", str(g.offset)]))
    write_mixed(out, g, 25)

    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "random_golden.txt"), "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
