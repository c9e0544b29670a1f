"""The fairness figures and score, computed the plain way from a map file's
text: every square's distance, every portal square, in Python's floats."""

import math

WEIGHTS = [("gold_near", 3, True), ("gems_near", 2, True), ("hazards_near", 1, False),
           ("nearest_portal", 1, False), ("nearest_heart", 1, True)]


def parse(text):
    """Returns (grid rows, heart centres) of a map file's text."""
    lines = text.replace("\r\n", "\n").split("\n")
    width, height = [int(v) for v in lines[4].split(" X ")]
    rows = lines[6:6 + height]
    hearts = []
    for line in lines:
        if line.startswith("VSK") and "_HEART_CENTER " in line:
            x, y = line.split(" ")[1:3]
            hearts.append((int(x), int(y)))
    return rows, hearts


def starts(rows, hearts, radius=15):
    result = []
    portals = [(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if c == "P"]
    for p, (hx, hy) in enumerate(hearts):
        near = {"g": 0, "G": 0, "L": 0, "W": 0}
        for y, row in enumerate(rows):
            for x, c in enumerate(row):
                if c in near and (x - hx) ** 2 + (y - hy) ** 2 <= radius * radius:
                    near[c] += 1
        others = [math.sqrt((ox - hx) ** 2 + (oy - hy) ** 2)
                  for q, (ox, oy) in enumerate(hearts) if q != p]
        portal = min((math.sqrt((x - hx) ** 2 + (y - hy) ** 2) for x, y in portals), default=None)
        result.append({"player": p + 1, "heart": {"x": hx, "y": hy}, "gold_near": near["g"],
                       "gems_near": near["G"], "hazards_near": near["L"] + near["W"],
                       "nearest_portal": portal, "nearest_heart": min(others)})
    return result


def judge(figures):
    """Returns (score, name of the least even figure)."""
    score = 0.0
    worst, largest_share = None, -1.0
    for name, weight, _ in WEIGHTS:
        values = [float(f[name]) if f[name] is not None else 0.0 for f in figures]
        spread = (max(values) - min(values)) / max(values) if max(values) > 0 else 0.0
        share = weight * spread
        score += share
        if share > largest_share:
            worst, largest_share = name, share
    return score, worst
