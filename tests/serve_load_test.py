"""`tarnixmap serve` under load, on this machine's own address only: 200
previews from 8 clients at once are each answered with the map of the
seed asked for (its score and file as one client alone gets them, its
file the bytes `tarnixmap generate --seed S` writes); the server's memory
stays bounded; it keeps answering previews while a search runs; and
Ctrl-C during that search stops it with exit 0, leaving no file behind.
Every request is bounded in number and time.

  serve_load_test.py TARNIXMAP"""

import concurrent.futures
import hashlib
import http.client
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

CLIENTS = 8
PREVIEWS = 200
SEEDS = list(range(1, 26))
VALUES = ["64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"]
MEMORY_LIMIT = 400 << 20  # bytes the server may hold at its peak


class Page:
    """One client of the server, as the page is one."""

    def __init__(self, host, port, token):
        self.connection = http.client.HTTPConnection(host, port, timeout=60)
        self.headers = {"X-Tarnix-Token": token, "Origin": "http://%s:%d" % (host, port)}

    def preview(self, seed):
        body = json.dumps({"values": {"name": "Cave"}, "seed": seed})
        self.connection.request("POST", "/api/preview", body,
                                dict(self.headers, **{"Content-Type": "application/json"}))
        response = self.connection.getresponse()
        return response.status, json.loads(response.read())

    def get(self, path):
        self.connection.request("GET", path, headers=self.headers)
        response = self.connection.getresponse()
        return response.status, response.read()


def memory(pid, field):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1]) * 1024
    return 0


def main():
    tarnixmap = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp()
    problems = []
    server = subprocess.Popen([tarnixmap, "serve", "--port", "0"], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, cwd=work)
    try:
        address = re.search(r"http://([\d.]+):(\d+)/#token=(\w+)", server.stdout.readline())
        host, port, token = address.group(1), int(address.group(2)), address.group(3)

        # What each seed's map is, from generate and from one client alone.
        expected = {}
        alone = Page(host, port, token)
        for seed in SEEDS:
            subprocess.run([tarnixmap, "generate", "--seed", str(seed), "Cave", *VALUES],
                           cwd=work, check=True, capture_output=True)
            with open(os.path.join(work, "Cave.map"), "rb") as f:
                file_hash = hashlib.sha256(f.read()).hexdigest()
            status, reply = alone.preview(seed)
            expected[seed] = (reply["figures"]["score"], file_hash)
        os.remove(os.path.join(work, "Cave.map"))
        before = memory(server.pid, "VmRSS")

        # 200 previews from 8 clients at once, each checked.
        def client(number):
            page = Page(host, port, token)
            wrong = []
            seeds = [SEEDS[(number * 7 + i) % len(SEEDS)] for i in range(PREVIEWS // CLIENTS)]
            random.Random(number).shuffle(seeds)
            for seed in seeds:
                status, reply = page.preview(seed)
                if status != 200 or reply["params"]["seed"] != seed:
                    wrong.append("seed %d: %d %r" % (seed, status, reply)[:200])
                    continue
                status, body = page.get("/api/map/%s/file" % reply["id"])
                got = (reply["figures"]["score"], hashlib.sha256(body).hexdigest())
                if status != 200 or got != expected[seed]:
                    wrong.append("seed %d: score and file %r, not %r" % (seed, got, expected[seed]))
            return wrong
        start = time.time()
        with concurrent.futures.ThreadPoolExecutor(CLIENTS) as pool:
            for wrong in pool.map(client, range(CLIENTS)):
                problems += wrong
        seconds = time.time() - start
        peak = memory(server.pid, "VmHWM")
        after = memory(server.pid, "VmRSS")
        print("%d previews (and their files) from %d clients in %.2f s; memory %d MB before, "
              "%d MB after, %d MB at the peak" % (PREVIEWS, CLIENTS, seconds, before >> 20,
                                                  after >> 20, peak >> 20))
        if os.environ.get("TARNIX_SANITIZED"):
            print("memory not bounded here: the sanitizer keeps freed memory on purpose")
        elif peak > MEMORY_LIMIT:
            problems.append("the server held %d MB" % (peak >> 20))

        # A search runs; previews are still answered.
        search = Page(host, port, token)
        body = json.dumps({"values": {"name": "Cave"}, "seed": 1, "seeds": 50000000})
        search.connection.request("POST", "/api/search", body,
                                  dict(search.headers, **{"Content-Type": "application/json"}))
        stream = search.connection.getresponse()
        first = stream.readline()
        if stream.status != 200 or not first.startswith(b"event: progress"):
            problems.append("the search did not start: %d %r" % (stream.status, first))
        events = []
        reading = threading.Thread(target=lambda: events.extend(stream.read().split(b"\n\n")))
        reading.start()
        during = Page(host, port, token)
        for seed in SEEDS[:10]:
            status, reply = during.preview(seed)
            if status != 200 or reply["figures"]["score"] != expected[seed][0]:
                problems.append("during the search, seed %d: %d" % (seed, status))

        # Ctrl-C while it runs.
        server.send_signal(signal.SIGINT)
        try:
            out, err = server.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            server.kill()
            out, err = server.communicate()
            problems.append("Ctrl-C did not stop the server within 30 s")
        reading.join(timeout=30)
        if server.returncode != 0 or not out.endswith("tarnixmap serve: stopped\n") or err:
            problems.append("Ctrl-C: exit %s, %r, %r" % (server.returncode, out, err))
        if not any(e.startswith(b"event: done") for e in events):
            problems.append("the search's stream ended without its result")
        if os.listdir(work):
            problems.append("left behind: %r" % os.listdir(work))
    finally:
        if server.poll() is None:
            server.kill()
            server.wait()
        shutil.rmtree(work)
    for p in problems:
        print("FAIL:", p)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
