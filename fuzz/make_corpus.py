"""Writes the seed corpus: four bytes of seed, then NUL-separated arguments."""

import os
import struct

CASES = {
    "typical": (1, ["Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"]),
    "smallest": (7, ["Tiny", "7", "7", "2", "0", "1", "5", "5", "5", "5", "-5", "-4"]),
    "heart_failure": (3, ["Tight", "9", "9", "4", "0", "0", "0", "0", "0", "0", "30", "0"]),
    "bad_name": (5, ["../up/x\n", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"]),
    "eleven_args": (9, ["Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20"]),
    "thirteen_args": (9, ["Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10", "x"]),
    "no_args": (0, []),
    "shortfalls": (11, ["Full", "20", "20", "4", "100", "30", "999", "999", "999", "999", "0", "-10"]),
    "odd_numbers": (42, ["Odd", " +40", "30x", "4", "abc", "2", "35", "9", "25", "25", "\t9", "1"]),
    "wrapping": (99, ["Wrap", "4294967335", "50", "3", "2147483648", "3", "20", "20", "20", "20", "-46345", "2147483643"]),
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)
for name, (seed, args) in CASES.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(struct.pack("<I", seed) + b"\0".join(a.encode() for a in args))
