"""The dig-time figures and the score, computed the plain way from a map
file's text: one textbook Dijkstra per player with a binary heap, every
square looked at, shares kept as exact fractions. It shares no code and no
shortcut with the program: no bucket queue, no wave of all players at once,
no flood of bits, no pruning."""

import heapq
from fractions import Fraction

import fairness_model

WALL = None
DEFAULT_COSTS = {".": 3, "g": 3, "W": 2, "P": 1, "1": 1, "2": 1, "3": 1, "4": 1,
                 "L": WALL, "G": WALL, "S": WALL, "A": WALL}

# name, default weight (as calibrate fitted them to the race on typical
# maps), whether more is the player's good fortune
FIGURES = [("gold_first", 0.5, True), ("gems_first", 0.5, True), ("portals_first", 8, True),
           ("territory", 4, True), ("gold_within", 0, True), ("portal_time", 0, False),
           ("rival_time", 0, True), ("second_rival_time", 0.5, True),
           ("border_gap", 0, True), ("gold_near", 0, True), ("gems_near", 0, True),
           ("hazards_near", 0, False), ("nearest_portal", 6, False), ("nearest_heart", 0, True)]
DIG_FIGURES = {"gold_first", "gems_first", "portals_first", "territory", "gold_within",
               "portal_time", "rival_time", "second_rival_time"}
INF = float("inf")


def dijkstra(rows, costs, start):
    """Each passable square's least dig time from `start` (time 0)."""
    height, width = len(rows), len(rows[0])
    dist = {start: 0}
    heap = [(0, start)]
    done = set()
    while heap:
        t, (x, y) = heapq.heappop(heap)
        if (x, y) in done:
            continue
        done.add((x, y))
        for nx, ny in ((x - 1, y), (x + 1, y), (x, y + 1), (x, y - 1)):
            if not (0 <= nx < width and 0 <= ny < height):
                continue
            cost = costs[rows[ny][nx]]
            if cost is WALL:
                continue
            if t + cost < dist.get((nx, ny), INF):
                dist[(nx, ny)] = t + cost
                heapq.heappush(heap, (t + cost, (nx, ny)))
    return dist


def reach(rows, costs, dist, x, y):
    """The reach time of a square: its dig time, or for a wall the least
    dig time of a passable neighbour; INF when there is none."""
    if costs[rows[y][x]] is not WALL:
        return dist.get((x, y), INF)
    best = INF
    for nx, ny in ((x - 1, y), (x + 1, y), (x, y + 1), (x, y - 1)):
        if 0 <= ny < len(rows) and 0 <= nx < len(rows[0]) and costs[rows[ny][nx]] is not WALL:
            best = min(best, dist.get((nx, ny), INF))
    return best


def portal_blocks(rows):
    """The portals: 3 x 3 blocks, each begun at the first portal square,
    row by row, that no block holds yet, and holding the portal squares of
    the block from there that no other holds."""
    taken = set()
    blocks = []
    for y, row in enumerate(rows):
        for x, code in enumerate(row):
            if code != "P" or (x, y) in taken:
                continue
            block = [(bx, by) for by in range(y, y + 3) for bx in range(x, x + 3)
                     if by < len(rows) and bx < len(rows[by]) and rows[by][bx] == "P"
                     and (bx, by) not in taken]
            taken.update(block)
            blocks.append(block)
    return blocks


def figures(rows, hearts, costs=None, reach_limit=45):
    """Per player: every figure as a dict, times as ints or None."""
    costs = dict(DEFAULT_COSTS, **(costs or {}))
    height, width = len(rows), len(rows[0])
    players = len(hearts)
    fields = [dijkstra(rows, costs, h) for h in hearts]
    out = [dict(gold_first=Fraction(0), gems_first=Fraction(0), portals_first=Fraction(0),
                territory=Fraction(0), gold_within=0) for _ in hearts]
    portal = [INF] * players
    has_portal = False
    for y in range(height):
        for x in range(width):
            code = rows[y][x]
            times = [reach(rows, costs, fields[p], x, y) for p in range(players)]
            least = min(times)
            if code == "P":
                has_portal = True
                portal = [min(portal[p], times[p]) for p in range(players)]
            if code == "g":
                for p in range(players):
                    if times[p] <= reach_limit:
                        out[p]["gold_within"] += 1
            if least == INF:
                continue
            first = [p for p in range(players) if times[p] == least]
            share = Fraction(1, len(first))
            for p in first:
                if costs[code] is not WALL:
                    out[p]["territory"] += share
                if code == "g":
                    out[p]["gold_first"] += share
                if code == "G":
                    out[p]["gems_first"] += share
    # A portal's time for a player is the least of its squares' reach times;
    # those who have the least of all share it.
    for block in portal_blocks(rows):
        times = [min(reach(rows, costs, fields[p], x, y) for x, y in block)
                 for p in range(players)]
        least = min(times)
        if least == INF:
            continue
        first = [p for p in range(players) if times[p] == least]
        for p in first:
            out[p]["portals_first"] += Fraction(1, len(first))
    near = fairness_model.starts(rows, hearts)
    for p, (hx, hy) in enumerate(hearts):
        rivals = sorted(reach(rows, costs, fields[p], qx, qy)
                        for q, (qx, qy) in enumerate(hearts) if q != p)
        rival = rivals[0]
        out[p]["rival_time"] = None if rival == INF else rival
        second = rivals[1] if len(rivals) > 1 else INF
        out[p]["second_rival_time"] = None if second == INF else second
        out[p]["portal_time"] = None if not has_portal or portal[p] == INF else portal[p]
        out[p]["border_gap"] = max(0, min(hx - 4, hy - 4, width - 5 - hx, height - 5 - hy))
        out[p]["sealed"] = rival == INF or (has_portal and portal[p] == INF)
        for key in ("gold_near", "gems_near", "hazards_near", "nearest_portal", "nearest_heart"):
            out[p][key] = near[p][key]
    return out


def parts(starts, weights=None):
    """Each weighed figure's part of the score: its weight times its
    spread, by name; None for a sealed map."""
    weights = weights or {name: w for name, w, _ in FIGURES}
    if judge(starts, weights)[0] is None:
        return None
    out = {}
    for name, _, _ in FIGURES:
        if weights[name] > 0:
            values = [s[name] if s[name] is not None else 0 for s in starts]
            top = max(values)
            out[name] = weights[name] * (float(Fraction(top - min(values)) / top) if top > 0 else 0.0)
    return out


def judge(starts, weights=None):
    """Returns (score or None when sealed, least even figure, worst player,
    best player), players counted from 0; the figures are weighed as given,
    or by their default weights."""
    weights = weights or {name: w for name, w, _ in FIGURES}
    sealed = any(s["sealed"] for s in starts)
    if sealed and any(weights[name] > 0 for name in DIG_FIGURES):
        return None, None, None, None
    score = 0.0
    largest, least, worst, best = -1.0, None, None, None
    for name, _, more_is_better in FIGURES:
        values = [s[name] if s[name] is not None else 0 for s in starts]
        top = max(values)
        spread = float(Fraction(top - min(values)) / top) if top > 0 else 0.0
        share = weights[name] * spread
        score += share
        if share > largest:
            low = min(range(len(values)), key=lambda p: (values[p], p))
            high = max(range(len(values)), key=lambda p: (values[p], -p))
            largest, least = share, name
            worst, best = (low, high) if more_is_better else (high, low)
    return score, least, worst, best
