"""Compares tarnixmap's dig-time figures and scores with the independent
model in dig_model.py: check --json of over a thousand generated maps of
several shapes (lava-heavy maps with sealed hearts, maps without portals),
the same with costs, reach and weights changed, and the rankings of
searches, which must be exactly what scoring every seed in full gives.

  dig_model_test.py TARNIXMAP"""

import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import dig_model  # noqa: E402
import fairness_model  # noqa: E402

# name, values after the name, first seed, how many maps
SHAPES = [
    ("Cave", ["64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"], 1700000000, 120),
    ("Duel", ["48", "30", "2", "100", "3", "200", "30", "150", "90", "10", "3"], 77, 200),
    ("Three", ["40", "52", "3", "0", "9", "120", "25", "90", "160", "8", "0"], 4294967000, 200),
    ("Lava", ["40", "40", "4", "0", "4", "80", "30", "600", "60", "5", "2"], 5000, 200),
    ("Open", ["36", "36", "2", "0", "0", "90", "20", "40", "80", "12", "0"], 900, 160),
    ("Tiny", ["20", "20", "2", "0", "1", "20", "6", "70", "10", "3", "0"], 123456, 160),
]

CHANGED = {"costs": {"W": None, "G": 5, ".": 1, "L": 40, "1": None},
           "reach": 30, "weights": {"territory": 5, "rival_time": 0, "gold_near": 2.5}}
# Dear costs: most times between two squares' turns have no square at all,
# and the queue's ring (1001 times) spans many words of its bits.
DEAR = {".": 1000, "g": 7, "W": 999, "P": 500}


def close(a, b):
    if a is None or b is None:
        return a is None and b is None
    return abs(a - b) <= 1e-9 * max(1.0, abs(b))


def compare(got, rows, hearts, costs=None, reach=45, weights=None):
    """The differences between check --json's object and the model's."""
    starts = dig_model.figures(rows, hearts, costs, reach)
    score, worst, _, _ = dig_model.judge(starts, weights)
    problems = []
    if not close(got["score"], score):
        problems.append("score %r, model %r" % (got["score"], score))
    if got["worst"] != worst:
        problems.append("worst %r, model %r" % (got["worst"], worst))
    want_parts = dig_model.parts(starts, weights)
    got_parts = got["contributions"]
    if (got_parts is None) != (want_parts is None) or (
            want_parts is not None and (set(got_parts) != set(want_parts) or any(
                not close(got_parts[k], v) for k, v in want_parts.items()))):
        problems.append("contributions %r, model %r" % (got_parts, want_parts))
    if got["sealed"] != any(s["sealed"] for s in starts):
        problems.append("sealed %r" % got["sealed"])
    for g, m in zip(got["starts"], starts):
        for key, value in m.items():
            same = close(g[key], float(value)) if value is not None and not isinstance(value, bool) \
                else g[key] == value
            if not same:
                problems.append("player %d %s %r, model %r" % (g["player"], key, g[key], value))
    return problems


def check_all(tarnixmap, work, files, extra, **model):
    out = subprocess.run([tarnixmap, "check", "--json"] + extra + files, cwd=work,
                         capture_output=True, text=True)
    failures = 0
    sealed = 0
    for line, name in zip(out.stdout.splitlines(), files):
        got = json.loads(line)
        text = open(os.path.join(work, name), encoding="latin-1").read()
        rows, hearts = fairness_model.parse(text)
        problems = compare(got, rows, hearts, **model)
        sealed += got["sealed"]
        if problems:
            failures += 1
            if failures <= 5:
                print("MISMATCH %s %s: %s" % (name, " ".join(extra), "; ".join(problems[:6])))
    return failures, sealed


def ranking(tarnixmap, work, first, count, values, options, weights=None):
    """The search's seeds in rank order against the model's, scoring every
    seed's map (made by the program, measured by the model) in full."""
    out = subprocess.run([tarnixmap, "search", "--json", "--quiet", "--no-write", "--threads", "2",
                          "--from", str(first), "--seeds", str(count), "--top", str(count)]
                         + options + ["--", "R"] + values,
                         cwd=work, capture_output=True, text=True)
    lines = [json.loads(l) for l in out.stdout.splitlines()]
    ranked = [l["seed"] for l in lines[:-1]]
    subprocess.run([tarnixmap, "generate", "--seed", str(first), "--count", str(count), "--",
                    "R"] + values, cwd=work, capture_output=True)
    model = []
    gap = None
    if "--min-border-gap" in options:
        gap = int(options[options.index("--min-border-gap") + 1])
    for i in range(count):
        path = os.path.join(work, "R_%d.map" % (i + 1))
        if not os.path.exists(path):
            continue
        rows, hearts = fairness_model.parse(open(path, encoding="latin-1").read())
        starts = dig_model.figures(rows, hearts)
        if gap is not None and min(s["border_gap"] for s in starts) < gap:
            continue
        score = dig_model.judge(starts, weights)[0]
        if score is not None:
            model.append((score, first + i))
        os.remove(path)
    model.sort()
    want = [seed for _, seed in model]
    if ranked != want:
        print("MISMATCH ranking %s: %r vs model %r" % (options, ranked[:10], want[:10]))
        return 1
    print("ranking of %d seeds from %d %s: %d ranked, the same as the model's" % (
        count, first, " ".join(options), len(ranked)))
    return 0


def main():
    tarnixmap = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        files = []
        for name, values, first, count in SHAPES:
            subprocess.run([tarnixmap, "generate", "--seed", str(first), "--count", str(count),
                            "--", name] + values, cwd=work, check=True, capture_output=True)
            files += ["%s_%d.map" % (name, i + 1) for i in range(count)]
        bad, sealed = check_all(tarnixmap, work, files, [])
        failures += bad
        print("%d maps checked against the model: %d differ, %d sealed" % (len(files), bad, sealed))
        weights = dict((n, w) for n, w, _ in dig_model.FIGURES)
        weights.update(CHANGED["weights"])
        extra = ["--cost", "W=wall", "--cost", "G=5", "--cost", ".=1", "--cost", "L=40",
                 "--cost", "1=wall", "--reach", "30", "--weight", "territory=5",
                 "--weight", "rival_time=0", "--weight", "gold_near=2.5"]
        changed = files[::4]
        bad, sealed = check_all(tarnixmap, work, changed, extra, costs=CHANGED["costs"],
                                reach=CHANGED["reach"], weights=weights)
        failures += bad
        print("%d maps with costs, reach and weights changed: %d differ, %d sealed" % (
            len(changed), bad, sealed))
        dear = files[1::8]
        extra = [a for code, cost in DEAR.items() for a in ("--cost", "%s=%d" % (code, cost))]
        bad, sealed = check_all(tarnixmap, work, dear, extra + ["--reach", "5000"],
                                costs=DEAR, reach=5000)
        failures += bad
        print("%d maps with dear costs: %d differ, %d sealed" % (len(dear), bad, sealed))
        # Rankings: the typical map, a small crowded one where scores tie
        # often, and a lava-heavy one where many seeds are sealed.
        failures += ranking(tarnixmap, work, 3000000000, 150, SHAPES[0][1], [])
        failures += ranking(tarnixmap, work, 40, 300, ["14", "14", "2", "0", "0", "0", "0", "0",
                                                       "0", "-5", "-4"], [])
        failures += ranking(tarnixmap, work, 5000, 200, SHAPES[3][1], ["--min-border-gap", "2"])
    print("%d failures" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
