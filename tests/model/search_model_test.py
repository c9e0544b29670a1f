"""Runs tarnixmap search over seed ranges and compares what it reports with
the independent models: each reported seed's map made by the generator
model, its straight-line figures and score computed by the fairness model;
the ranking ordered by the model's scores; the written file against the
model's bytes; and check --json of a written map. The search weighs the
straight-line figures alone here (every dig-time weight 0), as the
fairness model does; dig_model_test.py compares the dig-time figures."""

import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import fairness_model  # noqa: E402
import map_model  # noqa: E402

# The straight-line score: the fairness model's weights, every other 0.
WEIGHTS = ["--weight", "gold_first=0", "--weight", "gems_first=0", "--weight", "portals_first=0",
           "--weight", "territory=0", "--weight", "gold_within=0", "--weight", "portal_time=0",
           "--weight", "rival_time=0", "--weight", "second_rival_time=0", "--weight",
           "border_gap=0"]
for name, weight, _ in fairness_model.WEIGHTS:
    WEIGHTS += ["--weight", "%s=%d" % (name, weight)]

CASES = [
    (3000000000, 120, ["Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"]),
    (77, 120, ["Duel", "48", "30", "2", "100", "0", "200", "30", "150", "90", "10", "3"]),
    (4294967000, 296, ["Three", "40", "52", "3", "0", "9", "120", "25", "90", "160", "8", "0"]),
    (500, 150, ["Crowd", "26", "26", "3", "0", "2", "40", "6", "30", "30", "11", "0"]),
]


def close(a, b):
    if a is None or b is None:
        return a is None and b is None
    return abs(a - b) <= 1e-9 * max(1.0, abs(b))


def main():
    tarnixmap = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        for first, count, args in CASES:
            out = subprocess.run([tarnixmap, "search", "--json", "--quiet", "--threads", "2",
                                  "--from", str(first), "--seeds", str(count), "--top", str(count)]
                                 + WEIGHTS + ["--"] + args, cwd=work, capture_output=True, text=True)
            lines = [json.loads(l) for l in out.stdout.splitlines()]
            ranked, closing = lines[:-1], lines[-1]
            model = []
            for seed in range(first, first + count):
                code, _, files = map_model.generate(args, seed)
                if code != 1:
                    continue
                text = files[args[0] + ".map"]
                figures = fairness_model.starts(*fairness_model.parse(text))
                score, worst = fairness_model.judge(figures)
                model.append((score, seed, worst, figures, text))
            model.sort(key=lambda m: (m[0], m[1]))
            if closing["searched"] != count or closing["without_map"] != count - len(model):
                failures += 1
                print("MISMATCH %s: closing %r, model %d maps" % (args[0], closing, len(model)))
            if [r["seed"] for r in ranked] != [m[1] for m in model]:
                failures += 1
                print("MISMATCH %s: ranking %r vs %r" % (args[0], [r["seed"] for r in ranked][:8],
                                                         [m[1] for m in model][:8]))
            for r, (score, seed, worst, figures, _) in zip(ranked, model):
                same = close(r["score"], score) and r["worst"] == worst and len(r["starts"]) == len(figures)
                for got, want in zip(r["starts"], figures):
                    for key, value in want.items():
                        same = same and (close(got[key], value) if "nearest" in key else got[key] == value)
                if not same:
                    failures += 1
                    print("MISMATCH %s seed %d: %r vs %r %r %r" % (args[0], seed, r, score, worst, figures))
            # The best map, written, is the model's bytes; check reads the same figures.
            best_seed, best_text = model[0][1], model[0][4]
            subprocess.run([tarnixmap, "search", "--quiet", "--from", str(first), "--seeds",
                            str(count)] + WEIGHTS + ["--"] + args, cwd=work, capture_output=True,
                           check=True)
            written = open(os.path.join(work, args[0] + ".map"), "rb").read()
            if written != best_text.replace("\n", "\r\n").encode("latin-1"):
                failures += 1
                print("MISMATCH %s: the written map is not the model's seed %d" % (args[0], best_seed))
            checked = json.loads(subprocess.run([tarnixmap, "check", "--json"] + WEIGHTS +
                                                [args[0] + ".map"], cwd=work, capture_output=True,
                                                text=True).stdout)
            if not close(checked["score"], model[0][0]) or checked["worst"] != model[0][2]:
                failures += 1
                print("MISMATCH %s: check --json %r vs %r" % (args[0], checked["score"], model[0][0]))
            print("%s: %d seeds, %d maps, best seed %d, score %.4f" % (
                args[0], count, len(model), best_seed, model[0][0]))
    print("%d mismatches" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
