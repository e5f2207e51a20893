#!/usr/bin/env python3
"""Regenerates the bank fuzzer's seed corpus (tests/patches/fuzz_corpus/): valid bank files of
both versions and broken ones (wrong magic, bad counts, cut records, absurd name lengths)."""
import os
import shutil
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_corpus")


def header(version, count, magic=b"Kbnk"):
    return magic + struct.pack("<ii", version, count)


def record(name, values, flags=1, reserved=b"\0\0\0", length=None):
    raw = name.encode() + b"\0"
    n = len(raw) if length is None else length
    return bytes([flags]) + reserved + struct.pack("<I", n) + raw + struct.pack(
        "<%di" % len(values), *values)


DEFAULTS = [0, 0, 4096, 0, 4086, 174, 0, 6062, 0, 0, 324, 0, 0, 6144, 0, 0, 0, 0, 0, 128, 0,
            128, 0, 461, 0, 0, 0, 0]


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    files = {
        "one.kpb": header(100, 1) + record("sifter_sine", DEFAULTS),
        "three.kpb": header(100, 3) + record("/snd/rain.wav", DEFAULTS) + record("", DEFAULTS)
        + record("x" * 40, [v + 1 for v in DEFAULTS]),
        "v101.kpb": header(101, 2) + record("a.wav", DEFAULTS + [64]) + record("b", DEFAULTS + [9]),
        "full.kpb": header(100, 20) + b"".join(record("s%d" % i, DEFAULTS) for i in range(20)),
        "tail.kpb": header(100, 1) + record("t", DEFAULTS) + b"\xee" * 64,
        "flags.kpb": header(100, 1) + record("f", DEFAULTS, flags=0, reserved=b"\x07\x08\x09"),
        "out_of_range.kpb": header(100, 1) + record("r", [16670] * 28),
        "empty.kpb": header(100, 0),
        "bad_magic.kpb": header(100, 1, magic=b"KBNK") + record("m", DEFAULTS),
        "count_21.kpb": header(100, 21) + record("c", DEFAULTS),
        "count_negative.kpb": header(100, -1),
        "cut_record.kpb": (header(100, 2) + record("a", DEFAULTS) + record("b", DEFAULTS))[:-7],
        "absurd_name.kpb": header(100, 1) + record("n", DEFAULTS, length=0x7FFFFFFF),
        "zero_name.kpb": header(100, 1) + bytes([1, 0, 0, 0]) + struct.pack("<I", 0)
        + struct.pack("<28i", *DEFAULTS),
        "cut_header.kpb": header(100, 1)[:9],
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
