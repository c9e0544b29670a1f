"""Compares tarnixmap race --json with the independent model in
race_model.py on generated maps of several shapes, and with options and
costs changed.

  race_model_test.py TARNIXMAP"""

import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import dig_model  # noqa: E402
import fairness_model  # noqa: E402
import race_model  # noqa: E402

# name, values after the name, first seed, how many maps
SHAPES = [
    ("Four", ["28", "28", "4", "0", "2", "60", "12", "40", "40", "8", "2"], 1700000000, 60),
    ("Duel", ["30", "20", "2", "0", "2", "60", "10", "60", "30", "8", "2"], 77, 60),
    ("Three", ["26", "30", "3", "0", "3", "50", "12", "30", "50", "6", "0"], 4294967000, 60),
    ("Lava", ["24", "24", "4", "0", "2", "30", "10", "150", "20", "5", "2"], 5000, 50),
]
OPTIONS = ["--time", "150"]
CHANGED = ["--time", "90", "--diggers", "2", "--gem-period", "5", "--portal-period", "3",
           "--cost", "W=wall", "--cost", ".=2"]
CHANGED_MODEL = {"time": 90, "diggers": 2, "gem_period": 5, "portal_period": 3,
                 "costs": dict(dig_model.DEFAULT_COSTS, W=None, **{".": 2})}


def compare(tarnixmap, work, files, options, model):
    out = subprocess.run([tarnixmap, "race", "--json"] + options + files, cwd=work,
                         capture_output=True, text=True, check=True)
    failures = 0
    for line, name in zip(out.stdout.splitlines(), files):
        got = json.loads(line)
        text = open(os.path.join(work, name), encoding="latin-1").read()
        rows, hearts = fairness_model.parse(text)
        want = race_model.race(rows, hearts, **model)
        if got["players"] != want or abs(got["fairness"] - race_model.fairness(want)) > 1e-12:
            failures += 1
            if failures <= 3:
                print("%s: program %s\n  model %s" % (name, got["players"], want))
    return failures


def main():
    tarnixmap = sys.argv[1]
    failures = 0
    raced = 0
    with tempfile.TemporaryDirectory() as work:
        for name, values, first, count in SHAPES:
            subprocess.run([tarnixmap, "generate", "--seed", str(first), "--count", str(count),
                            name] + values, cwd=work, capture_output=True)
            files = sorted(f for f in os.listdir(work) if f.startswith(name + "_"))
            failures += compare(tarnixmap, work, files, OPTIONS, {"time": 150})
            failures += compare(tarnixmap, work, files[:15], CHANGED, CHANGED_MODEL)
            raced += len(files)
    print("%d maps raced, %d differ from the model" % (raced, failures))
    if raced < 200:
        print("too few maps were made")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
