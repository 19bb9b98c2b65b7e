#!/usr/bin/env python3
"""End-to-end benchmark: pardovane-check against a generated site on 127.0.0.1.

The standard fixture is 10 listed pages of 100 links each (about 590 distinct
URLs, about 10% broken, some redirects, some links to a second local origin),
served with a fixed latency per response. It runs pardovane-check one request
at a time and at its default concurrency, and linkinator on the same pages
when it is installed, and prints wall time, peak memory and requests made
beside the floor: distinct requests x latency / concurrency.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

PAGES = 10
LINKS_PER_PAGE = 100


def generate(seed=7):
    """Routes as (origin, path, status, location, body) and the listed URLs,
    with {A} and {B} standing for the two origins."""
    rng = random.Random(seed)
    routes = []

    def target(origin, path, status):
        if status == 302:
            moved = path.replace(".html", "-new.html")
            routes.append((origin, path, 302, moved, None))
            routes.append((origin, moved, 200, None, None))
        else:
            routes.append((origin, path, status, None, None))

    shared = []  # links that every page may repeat
    for i in range(90):
        kind = rng.random()
        if kind < 0.10:
            shared.append(("a", f"/shared/missing{i}.html", 404))
        elif kind < 0.15:
            shared.append(("a", f"/shared/moved{i}.html", 302))
        elif kind < 0.35:
            shared.append(("b", f"/other/s{i}.html", 200))
        else:
            shared.append(("a", f"/shared/s{i}.html", 200))
    for origin, path, status in shared:
        target(origin, path, status)

    listed = []
    for p in range(PAGES):
        links = []
        for k in range(LINKS_PER_PAGE):
            if k % 2 == 0:
                origin, path, _ = rng.choice(shared)
            else:
                u = rng.random()
                origin = "b" if u < 0.2 else "a"
                status = 404 if u > 0.9 else (302 if u > 0.85 else 200)
                path = f"/p{p}/u{k}.html"
                target(origin, path, status)
            if origin == "b":
                links.append("{B}" + path)
            elif rng.random() < 0.5:
                links.append(path[1:])  # relative to the page's directory
            else:
                links.append("{A}/pages" + path)
        body = "<html><body>\n" + "".join(
            f'<a href="{link}">link {i}</a>\n' for i, link in enumerate(links)) + "</body></html>\n"
        routes.append(("a", f"/pages/page{p}.html", 200, None, body))
        listed.append("{A}" + f"/pages/page{p}.html")
    # Pages live in /pages/, so their relative links and the absolute ones
    # that name the same place all land there.
    routes = [(o, "/pages" + path if o == "a" and not path.startswith("/pages/") else path, s, 
               "/pages" + loc if loc and o == "a" else loc, b) for o, path, s, loc, b in routes]
    return routes, listed


class FixtureServer:
    """The compiled fixture server, on two loopback ports."""

    def __init__(self, binary, routes, latency_ms, work):
        fixture = os.path.join(work, "fixture.tsv")
        with open(fixture, "w") as out:
            for n, (origin, path, status, location, body) in enumerate(routes):
                body_file = "-"
                if body is not None:
                    body_file = os.path.join(work, f"body{n}.html")
                    with open(body_file, "w") as b:
                        b.write(body)
                out.write(f"{origin}\t{path}\t{status}\t{location or '-'}\t{body_file}\n")
        self.process = subprocess.Popen([binary, fixture, str(latency_ms)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        words = self.process.stdout.readline().split()
        self.origins = [f"http://127.0.0.1:{port}" for port in words[1:3]]

    def control(self, what):
        with urllib.request.urlopen(f"{self.origins[0]}/__{what}", timeout=10) as response:
            return int(response.read())

    def stop(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)


def run_measured(command, timeout=600):
    """Wall time in seconds and peak resident memory in MiB of one command."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out_chunks = []
    reader = threading.Thread(target=lambda: out_chunks.append(process.stdout.read()), daemon=True)
    reader.start()
    deadline = time.monotonic() + timeout
    peak_kib = 0
    while True:
        # The kernel's high-water mark of the process since its exec; rusage
        # would count the memory of this Python process it was forked from.
        peak_kib = max(peak_kib, high_water_kib(process.pid))
        pid, status = os.waitpid(process.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            process.kill()
        time.sleep(0.001)
    wall = time.perf_counter() - start
    reader.join(5)
    return wall, peak_kib / 1024.0, os.waitstatus_to_exitcode(status), b"".join(out_chunks)


def high_water_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default="build-bench/cli/pardovane-check")
    parser.add_argument("--server", default="build-bench/bench/fixture_server")
    parser.add_argument("--latency-ms", type=float, nargs="*", default=[0.0, 20.0])
    parser.add_argument("--jobs", type=int, default=16, help="pardovane-check's default")
    parser.add_argument("--linkinator-concurrency", type=int, default=100, help="linkinator's default")
    args = parser.parse_args()

    linkinator = shutil.which("linkinator")
    routes, listed_template = generate()
    rows = []
    for latency_ms in args.latency_ms:
        latency = latency_ms / 1000.0
        with tempfile.TemporaryDirectory() as work:
            server = FixtureServer(args.server, routes, latency_ms, work)
            listed = [url.replace("{A}", server.origins[0]) for url in listed_template]
            list_file = os.path.join(work, "HtmlURL.txt")
            with open(list_file, "w") as f:
                f.write("\r\n".join(listed) + "\r\n")

            def measure(name, command, concurrency):
                server.control("reset")
                wall, rss, code, _ = run_measured(command)
                requests = server.control("count")
                floor = requests * latency / concurrency
                rows.append((latency_ms, name, concurrency, wall, rss, requests, floor, code))
                return wall

            measure("pardovane --jobs 1", [args.binary, "--jobs", "1", list_file], 1)
            default = measure("pardovane (default)", [args.binary, list_file], args.jobs)
            if linkinator:
                equal = measure(f"linkinator --concurrency {args.jobs}",
                                [linkinator, *listed, "--concurrency", str(args.jobs)], args.jobs)
                theirs = measure("linkinator (default)", [linkinator, *listed],
                                 args.linkinator_concurrency)
                rows.append((latency_ms, f"linkinator / pardovane: {equal / default:.2f}x at equal "
                             f"concurrency, {theirs / default:.2f}x at both defaults",
                             None, None, None, None, None, None))
            server.stop()

    print(f"{'latency':>8} {'tool':<30} {'N':>4} {'wall s':>8} {'peak MiB':>9} {'requests':>9} {'floor s':>8} {'vs floor':>9} {'exit':>5}")
    for latency_ms, name, n, wall, rss, requests, floor, code in rows:
        if n is None:
            print(f"{latency_ms:>6.0f}ms {name}")
            continue
        ratio = f"{wall / floor:.2f}x" if floor else "-"
        print(f"{latency_ms:>6.0f}ms {name:<30} {n:>4} {wall:>8.3f} {rss:>9.1f} {requests:>9} {floor:>8.3f} {ratio:>9} {code:>5}")
    if not linkinator:
        print("linkinator is not installed (npm install -g linkinator) - comparison skipped")


if __name__ == "__main__":
    sys.exit(main())
