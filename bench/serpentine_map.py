"""Writes a map file whose only way through is one corridor winding from
side to side, row after row: the longest dig times a map of its size can
have, the worst case for the dig-time waves.

  serpentine_map.py SIDE > Snake.map   (SIDE odd, 15 or more)"""

import sys

CODES = ["S SOLID_ROCK", ". ROCK", "A MAP_BORDER", "1 VSK1_HEART", "2 VSK2_HEART",
         "3 VSK3_HEART", "4 VSK4_HEART", "W WATER", "L LAVA", "g GOLD", "G GEMS",
         "P NEUTRAL_PORTAL"]


def serpentine(side):
    rows = [["."] * side for _ in range(side)]
    for y in range(side):
        for x in range(side):
            if x in (0, side - 1) or y in (0, side - 1):
                rows[y][x] = "A"
            elif x in (1, side - 2) or y in (1, side - 2):
                rows[y][x] = "S"
    # Hearts' blocks at the top and the bottom; between them, walls of lava
    # on every other row, each open at one end, the ends taking turns.
    top, bottom = 4, side - 5
    for y in range(top + 3, bottom - 2, 2):
        gap = 2 if (y // 2) % 2 else side - 3
        for x in range(2, side - 2):
            if x != gap:
                rows[y][x] = "L"
    for player, (cx, cy) in enumerate([(4, top), (side - 5, bottom)]):
        for y in range(cy - 2, cy + 3):
            for x in range(cx - 2, cx + 3):
                rows[y][x] = str(player + 1)
    return rows, [(4, top), (side - 5, bottom)]


def main():
    side = int(sys.argv[1])
    rows, hearts = serpentine(side)
    lines = ["Snake", "PLAYERS 2", "", "MAP", "%d X %d" % (side, side), ""]
    lines += ["".join(r) for r in rows]
    lines += ["", "MAP_CODES", "12"] + CODES + [""]
    lines += ["THINGS", "0", "CREATURES", "0", "DOORS", "0", "TRAPS", "0", "HEARTS_AND_GOLD"]
    lines += ["VSK%d_HEART_CENTER %d %d" % (p + 1, x, y) for p, (x, y) in enumerate(hearts)]
    lines += ["GOLD1 500", "GOLD2 500", "", "EOF", ""]
    sys.stdout.buffer.write("\r\n".join(lines).encode() + b"\r\n")


main()
