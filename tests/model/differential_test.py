"""Runs the program (with its seed given) and the independent model over many
seeds and parameter sets, and compares exit code, console bytes and map bytes."""

import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import map_model  # noqa: E402

FIXED_CASES = [
    ["Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"],
    ["Tiny", "7", "7", "2", "0", "3", "20", "20", "5", "5", "-5", "-4"],
    ["Wide", "120", "9", "2", "7", "6", "80", "30", "50", "50", "3", "0"],
    ["Tall", "9", "90", "3", "-1", "4", "60", "15", "90", "90", "8", "2"],
    ["Full", "20", "20", "4", "100", "30", "999", "999", "999", "999", "0", "-10"],
    ["Fail", "16", "16", "4", "100", "2", "10", "10", "10", "10", "30", "0"],
    ["Neg", "40", "30", "2", "1", "3", "40", "10", "40", "40", "-15", "-4"],
    ["Odd", " +40", "30x", "4", "abc", "2", "35", "9", "25", "25", "\t9", "1"],
    # Each budget spent to its end: hearts that barely or never fit, for
    # three and four players; more gems than rock; materials whose targets
    # the seeds cannot reach on a big map; portals that stop fitting.
    ["Crowd3", "26", "26", "3", "0", "0", "0", "0", "0", "0", "11", "0"],
    ["Crowd4", "30", "30", "4", "0", "0", "0", "0", "0", "0", "12", "0"],
    ["Gems", "12", "12", "2", "0", "0", "0", "500", "0", "0", "-5", "0"],
    ["Seeds", "200", "200", "2", "0", "0", "40000", "0", "40000", "40000", "0", "0"],
    ["Portals", "24", "24", "2", "0", "40", "0", "0", "0", "0", "0", "2"],
]


def random_case(r):
    w = r.choice([7, 8, 9, 12, 20, 33, 64, 100, r.randint(7, 150)])
    h = r.choice([7, 8, 9, 12, 20, 33, 64, 100, r.randint(7, 150)])
    n = lambda hi: str(r.choice([0, 1, r.randint(0, hi), r.randint(0, hi * 4)]))
    return ["R%d" % r.randint(0, 999), str(w), str(h), str(r.randint(2, 4)),
            str(r.randint(-1000, 1000)), n(8), n(300), n(60), n(300), n(300),
            str(r.randint(-30, 40)), str(r.randint(-10, 30))]


def main():
    program = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 150
    r = random.Random(2026)
    cases = [(seed, c) for c in FIXED_CASES for seed in (0, 1, 1700000000, 4294967295)]
    cases += [(r.randint(0, 2**32 - 1), random_case(r)) for _ in range(count)]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        for seed, args in cases:
            for f in os.listdir(work):
                os.remove(os.path.join(work, f))
            got = subprocess.run([program, str(seed)] + args, cwd=work, capture_output=True)
            files = {f: open(os.path.join(work, f), "rb").read() for f in os.listdir(work)}
            code, text, model_files = map_model.generate(args, seed)
            want_out = text.replace("\n", "\r\n").encode("latin-1")
            want_files = {k: v.replace("\n", "\r\n").encode("latin-1") for k, v in model_files.items()}
            if (got.returncode, got.stdout, files) != (code, want_out, want_files):
                failures += 1
                print("MISMATCH seed %d args %r: exit %d/%d, stdout %s, files %s" % (
                    seed, args, got.returncode, code, got.stdout == want_out,
                    sorted(files) == sorted(want_files) and files == want_files))
    print("%d cases, %d mismatches" % (len(cases), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
