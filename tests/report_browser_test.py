"""Opens report pages in headless Chromium and checks what a person would
see there: every picture loaded (each map and its territory), each opening
its full picture; one legend listing the hearts of as many players as the
maps have; one table column per player and one row per figure, the least
even figure marked in each table; the maps fairest first; the histogram of
a search with its axes and the ranked maps marked on it, their labels
never running into each other and readable in a window a phone's width;
every figure that weighs heavily marked; how the maps were made, with a
copy button whose command, run, makes the very same page again; the copy
button of a map copying the very command search --json gives; nothing
wider than a phone's screen in a narrow window; and no errors on the
console. Exits 77 (skipped) where Chromium, its driver or Selenium is
missing.

  report_browser_test.py TARNIXMAP [SCREENSHOT_DIR]"""

import json
import os
import shutil
import subprocess
import sys
import tempfile

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("skipped: Selenium is not installed (python3-selenium)")
    sys.exit(77)

CAVE = ["64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"]
FIGURES = 14  # rows of each map's table


def browser():
    chromium, driver = shutil.which("chromium"), shutil.which("chromedriver")
    if not chromium or not driver:
        print("skipped: chromium or chromedriver is not installed")
        sys.exit(77)
    options = Options()
    options.binary_location = chromium
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--window-size=1400,1800",
                 "--user-data-dir=" + tempfile.mkdtemp()]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(driver), options=options)


def look_at(driver, page, maps, players, histogram):
    """Returns the problems a person would see on the page."""
    problems = []
    driver.get("file://" + page)
    images = driver.execute_script(
        "return Array.from(document.images).map(i => [i.complete, i.naturalWidth, i.src])")
    if len(images) != 2 * maps:
        problems.append("%d pictures, not %d" % (len(images), 2 * maps))
    problems += ["picture not shown: %s" % src for done, width, src in images if not done or width == 0]
    links = driver.execute_script(
        "return Array.from(document.images).map(i => i.closest('a') ? i.closest('a').href : '')")
    for link in links:
        target = link[len("file://"):] if link.startswith("file://") else ""
        if not target.endswith(".png") or not os.path.isfile(target):
            problems.append("a picture opens no full picture: %r" % link)
    hearts = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.legend li'))"
        ".filter(l => l.textContent.startsWith('heart of player')).length")
    if hearts != max(players):
        problems.append("the legend lists %d hearts, not %d" % (hearts, max(players)))
    columns = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.map table'))"
        ".map(t => t.tHead.rows[0].cells.length - 2)")  # the figure, the part
    if sorted(columns) != sorted(players):
        problems.append("player columns %r, not %r" % (columns, players))
    rows = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.map table'))"
        ".map(t => t.tBodies[0].rows.length)")
    if rows != [FIGURES] * maps:
        problems.append("figure rows %r, not %d each" % (rows, FIGURES))
    marked = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.map table'))"
        ".map(t => t.querySelectorAll('tr.least-even').length)")
    if marked != [1] * maps:
        problems.append("least even row marked %r times per table" % marked)
    # Every row whose part is a quarter of its map's score or more is marked
    # as weighing heavily, and no other.
    wrong = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.map')).flatMap(m => {"
        "const score = parseFloat(m.querySelector('p.score b').textContent);"
        "return Array.from(m.querySelectorAll('tbody tr')).filter(r => {"
        "const part = parseFloat(r.querySelector('td.part').textContent);"
        "return r.classList.contains('heavy') != (part > 0 && part >= score / 4 - 0.005); })"
        ".map(r => r.cells[0].textContent); })")
    if wrong:
        problems.append("rows marked wrongly as weighing heavily or not: %r" % wrong)
    told = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.origin dt'))"
        ".map(d => d.textContent)")
    for setting in ["weights", "costs", "reach", "radius"]:
        if setting not in told:
            problems.append("the page does not tell its %s: %r" % (setting, told))
    scores = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.map p.score b'))"
        ".map(b => b.textContent)")
    if scores != sorted(scores, key=float):
        problems.append("the maps are not fairest first: %r" % scores)
    problems += look_at_histogram(driver, maps if histogram else 0)
    problems += ["console: %s" % entry["message"] for entry in driver.get_log("browser")
                 if entry["level"] == "SEVERE"]
    return problems


def look_at_histogram(driver, ranked):
    """The bars, labelled ticks on both axes and a line per ranked map."""
    count = lambda selector: driver.execute_script(
        "return document.querySelectorAll(%s).length" % json.dumps(selector))
    bars = count("svg.scores rect")
    if not ranked:
        return ["a histogram where there is no search"] if bars else []
    problems = [] if bars else ["no histogram"]
    for axis in ["x-axis", "y-axis"]:
        if count("svg.scores g.%s line.tick" % axis) < 2:
            problems.append("the %s has fewer than 2 ticks" % axis)
    if count("svg.scores line.ranked") != ranked:
        problems.append("%d ranked maps marked, not %d" % (count("svg.scores line.ranked"), ranked))
    problems += rank_labels_apart(driver)
    return problems


def rank_labels_apart(driver):
    """No two labels of ranked maps overlap, and every rank is in one."""
    boxes = driver.execute_script(
        "return Array.from(document.querySelectorAll('svg.scores text.rank')).map(t => {"
        "const b = t.getBoundingClientRect(); return [b.left, b.right, t.firstChild.data]; })")
    problems = []
    boxes.sort()
    for (left, right, text), (next_left, _, next_text) in zip(boxes, boxes[1:]):
        if next_left < right:
            problems.append("rank labels %r and %r overlap" % (text, next_text))
    return problems


def readable_on_a_phone(driver, page):
    """In a window 390 pixels wide every word of the histogram is at least
    9 pixels high, and its rank labels do not overlap."""
    driver.set_window_size(390, 844)
    try:
        driver.get("file://" + page)
        heights = driver.execute_script(
            "return Array.from(document.querySelectorAll('svg.scores text'))"
            ".map(t => t.getBoundingClientRect().height)")
        problems = ["no words in the histogram"] if not heights else []
        if heights and min(heights) < 9:
            problems.append("histogram words %.1f pixels high at 390 pixels" % min(heights))
        return problems + rank_labels_apart(driver)
    finally:
        driver.set_window_size(1400, 1800)


def copied_command(driver, page, where="section.map"):
    """What the first copy button in `where` puts on the clipboard: the
    page's script is given a clipboard that keeps what it is handed."""
    driver.get("file://" + page)
    driver.execute_script(
        "Object.defineProperty(navigator, 'clipboard', {value: {writeText: t => "
        "{ window.copied = t; return Promise.resolve(); }}});"
        "document.querySelector(%s + ' .command button').click();" % json.dumps(where))
    return driver.execute_script("return window.copied")


def fits_a_phone(driver, page):
    """In a window a phone's width, nothing is wider than the window and
    every table stays within its card."""
    problems = []
    driver.set_window_size(360, 800)
    try:
        driver.get("file://" + page)
        wide = driver.execute_script(
            "return [document.documentElement.scrollWidth, window.innerWidth]")
        if wide[0] > wide[1]:
            problems.append("the page is %d pixels wide in a window of %d" % tuple(wide))
        spill = driver.execute_script(
            "return Array.from(document.querySelectorAll('section.map table')).filter(t => "
            "t.getBoundingClientRect().right > t.closest('section').getBoundingClientRect().right"
            ").length")
        if spill:
            problems.append("%d tables wider than their card" % spill)
    finally:
        driver.set_window_size(1400, 1800)
    return problems


def made_again(driver, page, tarnixmap, work):
    """The command the page says made it, copied and run by a shell in a
    folder of its own, makes the very same page."""
    command = copied_command(driver, page, "section.origin")
    if not command or not command.startswith("tarnixmap search "):
        print("the page's own command is %r" % command)
        return 1
    again = os.path.join(work, "again")
    os.mkdir(again)
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(tarnixmap)) + os.pathsep +
               os.environ.get("PATH", ""))
    subprocess.run(["sh", "-c", command], cwd=again, env=env, check=True, capture_output=True)
    with open(page, "rb") as first, open(os.path.join(again, "searched", "index.html"), "rb") as b:
        if first.read() != b.read():
            print("the page's own command, %s, makes another page" % command)
            return 1
    print("the page's own command makes it again: %s" % command)
    return 0


def main():
    tarnixmap = sys.argv[1]
    shots = sys.argv[2] if len(sys.argv) > 2 else None
    driver = browser()
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        def run(*args):
            subprocess.run([tarnixmap, *args], cwd=work, check=True, capture_output=True)

        # Ten ranks of close scores, whose labels would run into each other;
        # measured as a designer might, for the page to tell.
        search = ["search", "--quiet", "--from", "1", "--seeds", "400", "--top", "10",
                  "--weight", "territory=5", "--cost", "W=wall", "--no-write", "--", "Cave", *CAVE]
        run(*search[:-13], "--report", "searched", *search[-13:])
        run("generate", "--seed", "7", "--", "Duel", "48", "30", "2", "100", "0", "200", "30",
            "150", "90", "10", "3")
        run("generate", "--seed", "8", "--", "Three", "40", "52", "3", "0", "9", "120", "25", "90",
            "160", "8", "0")
        run("report", "Duel.map", "Three.map", "-o", "files")
        run("report", "Duel.map", "-o", "duel")
        lines = subprocess.run([tarnixmap, search[0], "--json",
                                *search[1:]], cwd=work, check=True, capture_output=True,
                               text=True).stdout.splitlines()
        best_command = json.loads(lines[0])["command"]
        cases = [("searched", 10, [4] * 10, True), ("files", 2, [2, 3], False),
                 ("duel", 1, [2], False)]
        try:
            for folder, maps, players, histogram in cases:
                page = os.path.join(work, folder, "index.html")
                problems = look_at(driver, page, maps, players, histogram)
                if shots:
                    driver.save_screenshot(os.path.join(shots, "report-%s.png" % folder))
                problems += fits_a_phone(driver, page)
                if histogram:
                    problems += readable_on_a_phone(driver, page)
                for p in problems:
                    print("%s: %s" % (folder, p))
                failures += len(problems)
                print("%s: %d maps, players %r, %s" % (
                    folder, maps, players, "with histogram" if histogram else "no histogram"))
            page = os.path.join(work, "searched", "index.html")
            copied = copied_command(driver, page)
            if copied != best_command:
                print("the copy button copied %r, not %r" % (copied, best_command))
                failures += 1
            else:
                print("the copy button copies: %s" % copied)
            failures += made_again(driver, page, tarnixmap, work)
        finally:
            driver.quit()
    print("%d problems" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
