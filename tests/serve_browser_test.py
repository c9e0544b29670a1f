"""The designer's page of `tarnixmap serve` in headless Chromium, as a
designer uses it: the page opened from the address the server printed;
the width changed, and the picture and figures redrawn; the next seed; a
search of 20,000 seeds watched to its end; rank 1 clicked, its .map
downloaded and compared byte for byte with `tarnixmap generate --seed S`;
the page reloaded from its address, showing the same map; a window 390
pixels wide with nothing wider than it; a page of another origin that
cannot use the API; and no errors on the console. Ctrl-C then stops the
server with exit 0. Exits 77 (skipped) where Chromium, its driver or
Selenium is missing.

  serve_browser_test.py TARNIXMAP [SCREENSHOT_DIR]"""

import hashlib
import http.server
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("skipped: Selenium is not installed (python3-selenium)")
    sys.exit(77)

WAIT = 60  # seconds any one thing may take before the test fails


def browser(downloads):
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
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(driver), options=options)
    driver.set_script_timeout(WAIT)
    driver.execute_cdp_cmd("Page.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": downloads})
    return driver


def wait_for(what, check):
    end = time.time() + WAIT
    while time.time() < end:
        value = check()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("waited %d s for %s" % (WAIT, what))


def picture_hash(driver, element):
    """The pixels of the picture an <img> shows, hashed; empty when none is shown."""
    data = driver.execute_script(
        "const img = arguments[0];"
        "if (!img.complete || !img.naturalWidth) return '';"
        "const c = document.createElement('canvas');"
        "c.width = img.naturalWidth; c.height = img.naturalHeight;"
        "c.getContext('2d').drawImage(img, 0, 0);"
        "return c.toDataURL();", driver.find_element("id", element))
    return hashlib.sha256(data.encode()).hexdigest() if data else ""


def shown(driver):
    """What the page shows now: the map's id, title, score and picture."""
    return (driver.execute_script("return document.body.dataset.shown || ''"),
            driver.find_element("id", "title").text,
            driver.find_element("id", "score").text)


def changed_from(driver, before):
    def check():
        now = shown(driver)
        return now if now[0] and now[0] != before[0] else None
    return check


def type_into(driver, element, text):
    field = driver.find_element("id", element)
    field.clear()
    field.send_keys(text)


def other_origin():
    """Serves a page on another port, an origin of its own; returns its address."""
    class Page(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            body = b"<!doctype html><title>elsewhere</title><p>elsewhere</p>"
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass
    server = http.server.HTTPServer(("127.0.0.1", 0), Page)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d/" % server.server_port


def main():
    tarnixmap = os.path.abspath(sys.argv[1])
    shots = sys.argv[2] if len(sys.argv) > 2 else None
    work = tempfile.mkdtemp()
    downloads = os.path.join(work, "downloads")
    os.mkdir(downloads)
    server = subprocess.Popen([tarnixmap, "serve", "--port", "0"], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, cwd=work)
    driver = None
    problems = []
    try:
        line = server.stdout.readline()
        address = re.search(r"http://\S+", line).group(0)
        origin = address.split("/#")[0]
        driver = browser(downloads)
        driver.get(address)
        first = wait_for("the first preview", lambda: shown(driver)[0] and shown(driver))
        picture = picture_hash(driver, "map-picture")

        # A value changed: a new map, a new picture, new figures.
        driver.find_element("id", "keep-seed")  # kept: only the width differs
        type_into(driver, "width", "80")
        wider = wait_for("the preview of width 80", changed_from(driver, first))
        if not picture or picture_hash(driver, "map-picture") == picture:
            problems.append("the picture did not change with the width")
        if wider[2] == first[2]:
            problems.append("the score did not change with the width: %s" % wider[2])
        rows = driver.execute_script("return document.querySelectorAll('#figures tbody tr').length")
        if rows < 3:
            problems.append("the figures table has %d rows" % rows)

        # A value out of range: the command line's message, beside its field.
        type_into(driver, "players", "7")
        message = wait_for("the message beside players",
                           lambda: driver.find_element("id", "error-players").text)
        if message != '--players must be a whole number from 2 to 4, got "7"':
            problems.append("players 7 says %r" % message)
        type_into(driver, "players", "4")
        wait_for("the message to go", lambda: not driver.find_element("id", "error-players").text)

        # The next seed.
        seed = int(driver.find_element("id", "seed").get_attribute("value"))
        before = shown(driver)
        driver.find_element("id", "next-seed").click()
        after = wait_for("the next seed's preview", changed_from(driver, before))
        if ", seed %d" % (seed + 1) not in after[1]:
            problems.append("next seed shows %r, not seed %d" % (after[1], seed + 1))

        # A search of 20,000 seeds from 1, watched to its end.
        type_into(driver, "width", "64")
        type_into(driver, "seed", "1")
        wait_for("seed 1 shown", lambda: ", seed 1" in shown(driver)[1])
        driver.find_element("id", "search-start").click()
        seen = set()

        def ended():
            seen.add(driver.find_element("id", "search-progress").get_attribute("value"))
            return driver.execute_script("return document.body.dataset.search") == "done"
        wait_for("the search's end", ended)
        final = float(driver.find_element("id", "search-progress").get_attribute("value"))
        status = driver.find_element("id", "search-status").text
        if final != 1 or not status.startswith("20,000 seeds searched"):
            problems.append("the search ended at %s: %r" % (final, status))
        if len(seen) < 2:
            problems.append("the progress bar never moved: %r" % seen)
        results = driver.find_elements("css selector", "#results li")
        if len(results) != 10:
            problems.append("%d maps listed, not 10" % len(results))
        bars = driver.execute_script("return document.querySelectorAll('#histogram svg rect').length")
        if bars == 0:
            problems.append("no histogram")

        # Rank 1 into the preview, its .map downloaded.
        best = results[0].get_attribute("data-seed")
        before = shown(driver)
        results[0].click()
        wait_for("rank 1 in the preview", lambda: ", seed %s" % best in shown(driver)[1])
        driver.find_element("id", "download-map").click()
        path = os.path.join(downloads, "Cave.map")
        wait_for("the download", lambda: os.path.exists(path) and os.path.getsize(path) > 0)
        subprocess.run([tarnixmap, "generate", "--seed", best, "Cave", "64", "64", "4", "500",
                        "5", "300", "40", "200", "200", "20", "10"], cwd=work, check=True,
                       capture_output=True)
        with open(path, "rb") as a, open(os.path.join(work, "Cave.map"), "rb") as b:
            if a.read() != b.read():
                problems.append("the downloaded Cave.map is not generate --seed %s's" % best)

        # The page's address opens the same map again.
        showing = shown(driver)
        driver.get(driver.current_url)
        again = wait_for("the reloaded preview", lambda: shown(driver)[0] and shown(driver))
        if again[1:] != showing[1:]:
            problems.append("reloaded, the page shows %r, not %r" % (again[1:], showing[1:]))

        # A phone's width.
        driver.set_window_size(390, 844)
        wide = driver.execute_script(
            "const w = document.documentElement.clientWidth;"
            "return Array.from(document.querySelectorAll('body *'))"
            ".filter(e => e.getBoundingClientRect().right > w + 1 && e.offsetParent !== null)"
            ".map(e => e.tagName + '#' + e.id)")
        if wide:
            problems.append("wider than 390 pixels: %r" % wide[:5])
        if shots:
            driver.save_screenshot(os.path.join(shots, "serve-390.png"))

        # Another origin's page, served from another port of this machine:
        # the browser sends its own Origin and no token, and the server
        # answers neither.
        elsewhere = other_origin()
        driver.get(elsewhere)
        tried = driver.execute_async_script(
            "const [origin, done] = arguments;"
            "fetch(origin + '/api/preview', {method: 'POST', mode: 'no-cors',"
            " headers: {'Content-Type': 'application/json'}, body: '{}'})"
            ".then(r => done('answered ' + r.type + ' ' + r.status), e => done('refused'));"
            , origin)
        if tried not in ("answered opaque 0", "refused"):
            problems.append("another origin's request was answered: %s" % tried)
        read = driver.execute_async_script(
            "const [origin, done] = arguments;"
            "fetch(origin + '/api/info', {headers: {'X-Tarnix-Token': 'x'}})"
            ".then(r => r.text()).then(t => done('read ' + t), e => done('refused'));", origin)
        if read != "refused":
            problems.append("another origin read the API: %s" % read[:80])

        errors = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"
                  and "elsewhere" not in e["message"] and origin not in e["message"]]
        if errors:
            problems.append("console errors: %r" % errors)
    finally:
        if driver:
            driver.quit()
        server.send_signal(signal.SIGINT)
        try:
            out, err = server.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            server.kill()
            out, err = server.communicate()
            problems.append("the server did not stop on Ctrl-C")
        if server.returncode != 0 or "stopped" not in out:
            problems.append("the server ended with %s: %r %r" % (server.returncode, out, err))
        left = sorted(set(os.listdir(work)) - {"downloads", "Cave.map"})
        if left:
            problems.append("the server left files behind: %r" % left)
        shutil.rmtree(work)
    for p in problems:
        print("FAIL:", p)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
