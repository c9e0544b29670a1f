"""The digging race, played the plain way from a map file's text: every
plan a textbook Dijkstra over the whole map with a binary heap, worth kept
as exact fractions. It follows the rules as the README states them and
shares no code with the program: no bucket queue, no early stop. Maps that
follow a symmetric layout, where each player sees the map through its own
copy, are left out: the model sees every map as player 1 does."""

import heapq
from fractions import Fraction

import dig_model

BLOCKED = -1
UP, LEFT, RIGHT, DOWN = (0, -1), (-1, 0), (1, 0), (0, 1)
DIRECTIONS = (UP, LEFT, RIGHT, DOWN)  # the order every choice tries them in
WAIT = 16  # how long a digger with nothing to do waits to look again


def race(rows, hearts, costs=None, diggers=4, time=400, gem_period=8, portal_period=8):
    """Each player's records: gold at time // 4, time // 2 and time, floor,
    portals and first contacts."""
    costs = dict(dig_model.DEFAULT_COSTS if costs is None else costs)
    height, width = len(rows), len(rows[0])
    stride = width + 2  # a row of the map file ends in CR LF
    players = len(hearts)
    owner = {}
    for y, row in enumerate(rows):
        for x, code in enumerate(row):
            if code in "1234" and int(code) <= players:
                owner[(x, y)] = int(code) - 1
    blocks = dig_model.portal_blocks(rows)
    portal_of = {square: k for k, block in enumerate(blocks) for square in block}
    portal_owners = [set() for _ in blocks]
    portal_since = [0] * len(blocks)
    gold = [0] * players
    portals = [0] * players
    contact = [[None] * players for _ in range(players)]
    at_checks = []
    crews = [[{"at": hearts[p], "doing": "idle", "done_at": 0, "next": None, "path": [],
               "target": None, "gem": None, "for_gem": False} for _ in range(diggers)]
             for p in range(players)]

    def code(square):
        return rows[square[1]][square[0]]

    def key(square):
        return square[1] * stride + square[0]

    def beside(square, direction):
        return (square[0] + direction[0], square[1] + direction[1])

    def entry(p, square):
        """The time player p takes to enter a square; 0 where it cannot."""
        held = owner.get(square)
        if held == p:
            return 1
        if held is not None or code(square) == "G":
            return 0
        return costs.get(code(square)) or 0

    def claim(p, square, t):
        owner[square] = p
        if code(square) == "g":
            gold[p] += 1
        if square in portal_of:
            k = portal_of[square]
            if (not portal_owners[k] or portal_since[k] == t) and p not in portal_owners[k]:
                portal_owners[k].add(p)
                portal_since[k] = t
                portals[p] += 1
        for direction in DIRECTIONS:
            q = owner.get(beside(square, direction))
            if q is None or q == BLOCKED or q == p:
                continue
            if contact[p][q] is None:
                contact[p][q] = contact[q][p] = t

    def set_off(p, digger, t):
        if not digger["path"]:
            digger["doing"] = "mining" if digger["for_gem"] else "idle"
            digger["done_at"] = t
            return
        digger["next"] = digger["path"][-1]
        cost = entry(p, digger["next"])
        digger["doing"] = "moving" if cost else "idle"
        digger["done_at"] = t + cost

    def enter(t):
        entries = [(key(d["next"]), d["next"], p, d) for p in range(players) for d in crews[p]
                   if d["doing"] == "moving" and d["done_at"] == t]
        entries.sort(key=lambda e: e[0])
        moved = []
        i = 0
        while i < len(entries):
            square = entries[i][1]
            group = [e for e in entries[i:] if e[1] == square]
            if len({p for _, _, p, _ in group if owner.get(square) is None}) >= 2:
                owner[square] = BLOCKED
            for _, _, p, digger in group:
                if owner.get(square) is None:
                    claim(p, square, t)
                if owner.get(square) != p:
                    digger["doing"], digger["done_at"] = "idle", t
                    continue
                digger["at"] = square
                digger["path"].pop()
                moved.append((p, digger))
            i += len(group)
        for p, digger in moved:
            set_off(p, digger, t)
        for p in range(players):
            for digger in crews[p]:
                if digger["doing"] == "moving" and entry(p, digger["next"]) == 0:
                    digger["doing"], digger["done_at"] = "idle", t

    def pay(t):
        for p in range(players):
            for digger in crews[p]:
                if digger["doing"] == "mining" and t - digger["done_at"] == gem_period:
                    gold[p] += 1
                    digger["doing"], digger["done_at"] = "idle", t
        for k, held in enumerate(portal_owners):
            if held and t > portal_since[k] and (t - portal_since[k]) % portal_period == 0:
                for p in held:
                    gold[p] += 1

    def plan(p, digger, t):
        left = time - t
        start = digger["at"]
        dist = {start: 0}
        heap = [(0, start)]
        done = set()
        while heap:
            d, square = heapq.heappop(heap)
            if square in done:
                continue
            done.add(square)
            for direction in DIRECTIONS:
                nxt = beside(square, direction)
                cost = entry(p, nxt)
                if cost and d + cost < dist.get(nxt, float("inf")):
                    dist[nxt] = d + cost
                    heapq.heappush(heap, (d + cost, nxt))

        def taken(square, gem):
            for other in crews[p]:
                if other is digger or other["doing"] == "idle":
                    continue
                if gem and other["for_gem"] and other["gem"] == square:
                    return True
                if not gem and not other["for_gem"] and other["target"] == square:
                    return True
            return False

        best = None  # (worth, time, key, target, gem)
        for square, d in dist.items():
            options = []
            if owner.get(square) is None:
                if code(square) == "g" and not taken(square, False):
                    options.append((Fraction(1, max(d, 1)), d, key(square), square, None))
                if square in portal_of and not portal_owners[portal_of[square]] \
                        and left - d > 0 and not taken(square, False):
                    options.append((Fraction(left - d, portal_period * max(d, 1)), d,
                                    key(square), square, None))
            for direction in DIRECTIONS:
                gem = beside(square, direction)
                if code(gem) == "G" and left - d > 0 and not taken(gem, True):
                    options.append((Fraction(1, d + gem_period), d,
                                    key(gem) * height * stride + key(square), square, gem))
            for option in options:
                if best is None or option[0] > best[0] or (
                        option[0] == best[0] and option[1:3] < best[1:3]):
                    best = option
        if best is None:
            ground = [(d, key(square), square) for square, d in dist.items()
                      if owner.get(square) is None]
            if ground:
                d, k, square = min(ground)
                best = (Fraction(0), d, k, square, None)
        if best is None:
            digger["done_at"] = t + WAIT
            return
        target = best[3]
        digger["target"], digger["gem"], digger["for_gem"] = target, best[4], best[4] is not None
        path = []
        square = target
        while square != start:
            path.append(square)
            before = dist[square] - entry(p, square)
            for direction in DIRECTIONS:
                back = beside(square, direction)
                if dist.get(back) == before:
                    square = back
                    break
        digger["path"] = path
        set_off(p, digger, t)

    checks = (time // 4, time // 2, time)
    for t in range(time + 1):
        enter(t)
        pay(t)
        if t in checks:
            at_checks.append((t, list(gold)))
        if t == time:
            break
        for p in range(players):
            for digger in crews[p]:
                if digger["doing"] == "idle" and digger["done_at"] <= t:
                    plan(p, digger, t)
    result = []
    for p in range(players):
        at = [next(g[p] for when, g in at_checks if when == c) for c in checks]
        result.append({"player": p + 1, "gold": at,
                       "floor": sum(1 for held in owner.values() if held == p),
                       "portals": portals[p],
                       "contact": {str(q + 1): contact[p][q] for q in range(players) if q != p}})
    return result


def fairness(players):
    most = max(p["gold"][2] for p in players)
    least = min(p["gold"][2] for p in players)
    return (most - least) / most if most > 0 else 0.0
