"""Opens report pages in headless Chromium and checks what a person would
see there: every picture loaded (each map and its territory), one table
column per player and one row per figure, the least even figure marked in
each table, the histogram of a search drawn, and no errors on the console.
Exits 77 (skipped) where Chromium, its driver or Selenium is missing.

  report_browser_test.py TARNIXMAP [SCREENSHOT_DIR]"""

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
FIGURES = 12  # rows of each map's table


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
    columns = driver.execute_script(
        "return Array.from(document.querySelectorAll('section.map table'))"
        ".map(t => t.tHead.rows[0].cells.length - 1)")
    if columns != players:
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
    bars = driver.execute_script("return document.querySelectorAll('svg.scores rect').length")
    if histogram and bars == 0:
        problems.append("no histogram")
    if not histogram and bars != 0:
        problems.append("a histogram where there is no search")
    problems += ["console: %s" % entry["message"] for entry in driver.get_log("browser")
                 if entry["level"] == "SEVERE"]
    return problems


def main():
    tarnixmap = sys.argv[1]
    shots = sys.argv[2] if len(sys.argv) > 2 else None
    driver = browser()
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        def run(*args):
            subprocess.run([tarnixmap, *args], cwd=work, check=True, capture_output=True)

        run("search", "--quiet", "--from", "1", "--seeds", "400", "--top", "3", "--no-write",
            "--report", "searched", "--", "Cave", *CAVE)
        run("generate", "--seed", "7", "--", "Duel", "48", "30", "2", "100", "0", "200", "30",
            "150", "90", "10", "3")
        run("generate", "--seed", "8", "--", "Three", "40", "52", "3", "0", "9", "120", "25", "90",
            "160", "8", "0")
        run("report", "Duel.map", "Three.map", "-o", "files")
        cases = [("searched", 3, [4, 4, 4], True), ("files", 2, [2, 3], False)]
        try:
            for folder, maps, players, histogram in cases:
                page = os.path.join(work, folder, "index.html")
                problems = look_at(driver, page, maps, players, histogram)
                if shots:
                    driver.save_screenshot(os.path.join(shots, "report-%s.png" % folder))
                for p in problems:
                    print("%s: %s" % (folder, p))
                failures += len(problems)
                print("%s: %d pictures, rows %r, %s" % (
                    folder, maps, players, "with histogram" if histogram else "no histogram"))
        finally:
            driver.quit()
    print("%d problems" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
