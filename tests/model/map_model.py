"""An independent model of the generator, written the plain way: the grid as
a list of rows, the cluster fill as real recursion. The differential test runs
it beside the program and compares exit code, console bytes and map bytes."""

import sys

MAX_TRIES = 10000
BANNER = "Tarnix Random mapper version 1.1, by the Tarnix mapper authors <maps@tarnix.invalid>\n\n"
CODES = [("S", "SOLID_ROCK"), (".", "ROCK"), ("A", "MAP_BORDER"), ("1", "VSK1_HEART"),
         ("2", "VSK2_HEART"), ("3", "VSK3_HEART"), ("4", "VSK4_HEART"), ("W", "WATER"),
         ("L", "LAVA"), ("g", "GOLD"), ("G", "GEMS"), ("P", "NEUTRAL_PORTAL")]


class Rng:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF

    def rand_range(self, a, b):
        return a + self.next() % (b - a)  # next() >= 0 and b > a: no sign issues


def to_int(text):
    i = 0
    while i < len(text) and text[i] in " \t\n\v\f\r":
        i += 1
    neg = False
    if i < len(text) and text[i] in "+-":
        neg = text[i] == "-"
        i += 1
    v = 0
    while i < len(text) and text[i].isdigit() and text[i] in "0123456789":
        v = (v * 10 + int(text[i])) % 2**32
        i += 1
    if neg:
        v = (-v) % 2**32
    return v - 2**32 if v >= 2**31 else v


def generate(args, seed):
    """Returns (exit code, console text with plain line feeds, {file: text})."""
    out = [BANNER]
    name = args[0]
    (w, h, players, start_gold, portals, gold, gems, lava, water,
     vosk, pdist) = [to_int(a) for a in args[1:]]
    vosk += 5
    pdist += 4
    grid = []
    for y in range(h):
        row = []
        for x in range(w):
            if y in (0, h - 1) or x in (0, w - 1):
                row.append("A")
            elif y in (1, h - 2) or x in (1, w - 2):
                row.append("S")
            else:
                row.append(".")
        grid.append(row)
    rng = Rng(seed)

    # hearts
    hx, hy = [], []
    rejected = 0
    for p in range(players):
        while True:
            if rejected >= MAX_TRIES:
                break
            x = rng.rand_range(3, w - 3)
            y = rng.rand_range(3, h - 3)
            close = False
            for i in range(len(hx)):
                if (hx[i] - x) ** 2 + (hy[i] - y) ** 2 < vosk * vosk:
                    close = True
            if close:
                rejected += 1
                continue
            hx.append(x)
            hy.append(y)
            break
    if len(hx) != players:
        out.append("failed to find proper minimal distance between hearts\nPlease check parameters\n")
        return 0, "".join(out), {}
    for p in range(players):
        for y in range(hy[p] - 2, hy[p] + 3):
            for x in range(hx[p] - 2, hx[p] + 3):
                grid[y][x] = str(p + 1)

    # portals
    placed = 0
    for k in range(portals):
        tries = 0
        ok = False
        while tries < MAX_TRIES:
            x = rng.rand_range(1, w - 3)
            y = rng.rand_range(1, h - 3)
            free = all(grid[yy][xx] == "." for yy in range(y, y + 3) for xx in range(x, x + 3))
            if not free:
                tries += 1
                continue
            near = any(abs(hx[i] - x) < pdist and abs(hy[i] - y) < pdist for i in range(players))
            if near:
                tries += 1
                continue
            for yy in range(y, y + 3):
                for xx in range(x, x + 3):
                    grid[yy][xx] = "P"
            placed += 1
            ok = True
            break
        if not ok:
            out.append("restricted portal placement failure: Could not place all portals: %d\n" % k)
    out.append("Actual portals placed: %d\n" % placed)

    # gems
    tries = 0
    for k in range(gems):
        ok = False
        while tries < MAX_TRIES:
            x = rng.rand_range(1, w - 2)
            y = rng.rand_range(1, h - 2)
            if grid[y][x] == ".":
                grid[y][x] = "G"
                ok = True
                break
            tries += 1
        if not ok:
            out.append("Could not place all gems: %d\n" % k)
            break

    # clusters
    for target, code, threshold, word in ((gold, "g", 20, "gold"), (lava, "L", 40, "lava"),
                                          (water, "W", 40, "water")):
        count = [0]

        def grow(x, y):
            if count[0] >= target:
                return
            if grid[y][x] != ".":
                return
            if rng.rand_range(0, 100) > threshold:
                return
            grid[y][x] = code
            count[0] += 1
            grow(x - 1, y)
            grow(x + 1, y)
            grow(x, y + 1)
            grow(x, y - 1)

        seeds = 0
        while count[0] < target:
            x = rng.rand_range(1, w - 2)
            y = rng.rand_range(1, h - 2)
            grow(x, y)
            seeds += 1
            if seeds == MAX_TRIES:
                if count[0] < target:
                    out.append("Could not place all %s: %d\n" % (word, count[0]))
                break

    lines = [name, "PLAYERS %d" % players, "", "MAP", "%d X %d" % (w, h), ""]
    lines += ["".join(row) for row in grid]
    lines += ["", "MAP_CODES", "12"] + ["%s %s" % c for c in CODES] + [""]
    lines += ["THINGS", "0", "CREATURES", "0", "DOORS", "0", "TRAPS", "0", "HEARTS_AND_GOLD"]
    lines += ["VSK%d_HEART_CENTER %d %d" % (p + 1, hx[p], hy[p]) for p in range(players)]
    lines += ["GOLD%d %d" % (p + 1, start_gold) for p in range(players)]
    lines += ["", "EOF", ""]
    return 1, "".join(out), {name + ".map": "\n".join(lines) + "\n"}


sys.setrecursionlimit(1000000)
