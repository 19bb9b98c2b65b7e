#!/usr/bin/env python3
"""End-to-end benchmark: pardovane-check against generated sites on 127.0.0.x.

Scenarios (--scenario, default all):
  one-host  10 pages x 100 links and 200 pages x 15 links (about 10% broken,
            some redirects, some links to a second origin) at a fixed latency;
            pardovane-check one request at a time, at its defaults and at
            --jobs 64 with the per-host limit raised to match, and linkinator
            at its defaults; wall time beside the floor requests x latency / N.
  many-hosts 200 pages on a main host with links to 50 other hosts (distinct
            127.x addresses, latencies 20 to 200 ms); pardovane-check with a
            per-host limit of 8, 16 and 32 and linkinator, with the broken
            URLs each found.
  limits    servers that reset connections beyond 4, answer 429 above 30
            requests a second, or 503 or 429 with Retry-After: 1 to each
            path's first request; the broken links found at --jobs 1, 16, 64 and 128 (the default)
            (all should be the real ones only).
  memory    peak memory at --jobs 1, 16, 64 and 128, and on a 100,000-line list.
  big-page  peak memory of one page of 2,000,000 links (half of them broken)
            in each report format.
  names     one page linking 20,000 and 100,000 distinct host names
            (hN.localhost, which curl resolves to loopback itself, so every
            lookup is instant) on a closed port: the time is the scheduling's.
  cache     10 pages linking 1,000 distinct good URLs on another host at
            20 ms, run twice with --cache: the second run should ask only
            the pages.
  flaky     10 pages linking 100 URLs on their own host and 100 on another
            one whose every path fails its first 3 requests (a reset or a
            503), so only the second look after the retries gets through;
            the broken URLs found beside the real ones (and, with
            --before-binary, by a build without the second look).
Linkinator runs when installed (npm install -g linkinator).
"""

import argparse
import os
import random
import shutil
import sys
import tempfile

from fixture import FixtureServer, run_measured

DEFAULT_JOBS = 128  # pardovane-check's --jobs when none is given

def generate(pages=10, links_per_page=100, seed=7):
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
    for p in range(pages):
        links = []
        for k in range(links_per_page):
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


def many_hosts(pages=200, hosts=50, seed=11):
    """A main site whose pages link inside it and out to many slow hosts."""
    rng = random.Random(seed)
    names = [f"h{i}" for i in range(hosts)]
    routes, listed = [], []
    external = []
    for i, name in enumerate(names):
        for k in range(12):
            status = 404 if rng.random() < 0.08 else 200
            routes.append((name, f"/e{k}.html", status, None, None))
            external.append("{" + name.upper() + "}" + f"/e{k}.html")
    for p in range(pages):
        links = []
        for k in range(6):
            status = 404 if rng.random() < 0.05 else 200
            routes.append(("a", f"/p{p}/i{k}.html", status, None, None))
            links.append(f"i{k}.html")
        links += [rng.choice(external) for _ in range(10)]
        body = "<html><body>\n" + "".join(f'<a href="{link}">l</a>\n' for link in links) + "</body></html>\n"
        routes.append(("a", f"/p{p}/index.html", 200, None, body))
        listed.append("{A}" + f"/p{p}/index.html")
    origins = [("a", "127.0.0.1", 20)] + [
        (name, f"127.0.1.{i + 1}", 20 + (180 * i) // (hosts - 1)) for i, name in enumerate(names)]
    return routes, listed, origins


def broken_urls(tool, out):
    """The distinct URLs a tool's JSON output calls broken."""
    import json
    try:
        data = json.loads(out)
    except ValueError:
        return None
    if tool == "pardovane":
        return {link["url"] for page in data["pages"] for link in page["links"] if not link["good"]}
    return {link["url"] for link in data.get("links", []) if link["state"] == "BROKEN"}


class Bench:
    def __init__(self, args):
        self.args = args
        self.linkinator = shutil.which("linkinator")
        self.rows = []

    def site(self, routes, listed_template, latency_ms, work, hosts=None):
        server = FixtureServer(self.args.server, routes, latency_ms, work, hosts)
        listed = [url.replace("{A}", server.origins[0]) for url in listed_template]
        list_file = os.path.join(work, "HtmlURL.txt")
        with open(list_file, "w") as f:
            f.write("\r\n".join(listed) + "\r\n")
        return server, listed, list_file

    def measure(self, server, label, command, concurrency, latency_ms, tool=None):
        server.control("reset")
        wall, rss, code, out = run_measured(command)
        requests = server.control("count")
        floor = requests * latency_ms / 1000.0 / concurrency
        broken = broken_urls(tool, out) if tool else None
        self.rows.append((label, concurrency, wall, rss, requests, floor, code,
                          len(broken) if broken is not None else "-"))
        return wall, broken

    def note(self, text):
        self.rows.append((text,))

    def pardovane(self, list_file, *options, json=False):
        return [self.args.binary, *options, *(["--format", "json"] if json else []), list_file]

    def one_host(self):
        for pages, links in ((10, 100), (200, 15)):
            routes, template = generate(pages, links)
            with tempfile.TemporaryDirectory() as work:
                server, listed, list_file = self.site(routes, template, 20, work)
                self.note(f"one host at 20 ms, {pages} pages x {links} links")
                ours, _ = self.measure(server, "pardovane (default)", self.pardovane(list_file), DEFAULT_JOBS, 20)
                self.measure(server, "pardovane --jobs 64 --max-per-host 64",
                             self.pardovane(list_file, "--jobs", "64", "--max-per-host", "64"), 64, 20)
                if self.linkinator:
                    theirs, _ = self.measure(server, "linkinator (default)", [self.linkinator, *listed], 100, 20)
                    self.note(f"linkinator / pardovane at both defaults: {theirs / ours:.2f}x")
                server.stop()

    def many(self):
        routes, template, hosts = many_hosts()
        with tempfile.TemporaryDirectory() as work:
            server, listed, list_file = self.site(routes, template, 20, work, hosts)
            self.note("200 pages, main host at 20 ms and 50 hosts at 20 to 200 ms")
            ours, mine = self.measure(server, "pardovane (default)", self.pardovane(list_file, json=True),
                                      DEFAULT_JOBS, 20, "pardovane")
            for limit in (8, 16, 32):
                for jobs in (16, 64):
                    self.measure(server, f"pardovane --jobs {jobs} --max-per-host {limit}",
                                 self.pardovane(list_file, "--jobs", str(jobs), "--max-per-host", str(limit),
                                                json=True), jobs, 20, "pardovane")
            if self.linkinator:
                theirs, their = self.measure(server, "linkinator (default)",
                                             [self.linkinator, *listed, "--format", "json"], 100, 20,
                                             "linkinator")
                same = "the same" if mine == their else f"different ({len(mine ^ their)} differ)"
                self.note(f"linkinator / pardovane at both defaults: {theirs / ours:.2f}x; broken URLs {same}")
            server.stop()

    def limits(self):
        for flag, shape in (("conn=4", (10, 100)), ("rate=30", (10, 100)), ("retry=1", (2, 40))):
            # Each URL's first answer waits a second: one at a time, that is a second per URL.
            routes, template = generate(*shape)
            hosts = [("a", "127.0.0.1", 20, flag), ("b", "127.0.0.1", 20, flag)]
            with tempfile.TemporaryDirectory() as work:
                server, listed, list_file = self.site(routes, template, 20, work, hosts)
                self.note(f"{shape[0]} pages x {shape[1]} links, servers with {flag}: "
                          f"broken URLs should be {self.real_broken(routes)}")
                for jobs in (1, 16, 64, DEFAULT_JOBS):
                    self.measure(server, f"pardovane --jobs {jobs}",
                                 self.pardovane(list_file, "--jobs", str(jobs), json=True), jobs, 20, "pardovane")
                if self.linkinator:
                    self.measure(server, "linkinator (default)", [self.linkinator, *listed, "--format", "json"],
                                 100, 20, "linkinator")
                server.stop()

    @staticmethod
    def real_broken(routes):
        """Distinct linked URLs whose chain ends at 400 or above."""
        import re
        table = {(o, p): (s, loc) for o, p, s, loc, _ in routes}
        broken = set()
        for origin, page, _, _, body in routes:
            for link in re.findall(r'href="([^"]+)"', body or ""):
                if link.startswith("{"):
                    key = (link[1].lower(), link[3:])
                else:
                    key = (origin, page.rsplit("/", 1)[0] + "/" + link)
                status, location = table.get(key, (404, None))
                while location:
                    status, location = table.get((key[0], location), (404, None))
                if status >= 400:
                    broken.add(key)
        return len(broken)

    def memory(self):
        routes, template = generate(200, 15)
        with tempfile.TemporaryDirectory() as work:
            server, listed, list_file = self.site(routes, template, 0, work)
            self.note("peak memory, 200 pages x 15 links, no latency")
            for jobs in (1, 16, 64, DEFAULT_JOBS):
                self.measure(server, f"pardovane --jobs {jobs}", self.pardovane(list_file, "--jobs", str(jobs)),
                             jobs, 0)
            server.stop()
        lines = 100_000
        routes = [("a", f"/l{n}.html", 200, None, None) for n in range(lines)]
        with tempfile.TemporaryDirectory() as work:
            server, listed, list_file = self.site(routes, ["{A}" + f"/l{n}.html" for n in range(lines)], 0, work)
            self.note(f"peak memory, a list of {lines:,} lines (small pages), text format")
            self.measure(server, "pardovane (default)", self.pardovane(list_file), DEFAULT_JOBS, 0)
            server.stop()

    def big_page(self, links=2_000_000):
        body = "<html><body>\n" + '<a href="ok.html">o</a>\n<a href="gone.html">g</a>\n' * (links // 2)
        routes = [("a", "/big/index.html", 200, None, body), ("a", "/big/ok.html", 200, None, None)]
        with tempfile.TemporaryDirectory() as work:
            server, listed, list_file = self.site(routes, ["{A}/big/index.html"], 0, work)
            self.note(f"peak memory, one page of {links:,} links, half of them broken")
            builds = [("", self.args.binary)]
            if self.args.before_binary:
                builds.insert(0, (" (before)", self.args.before_binary))
            for label, binary in builds:
                for format in ("text", "json", "junit", "markdown", "sarif", "github"):
                    if label and format in ("sarif", "github"):
                        continue
                    self.measure(server, f"pardovane --format {format}{label}",
                                 [binary, "--format", format, "-o", os.devnull, list_file], DEFAULT_JOBS, 0)
            server.stop()

    def names(self):
        for count in (20_000, 100_000):
            # Port 9 is closed: each link fails at once, so the run costs
            # what its scheduling costs.
            body = "<html><body>\n" + "".join(
                f'<a href="http://h{n}.localhost:9/">h{n}</a>\n' for n in range(count)) + "</body></html>\n"
            with tempfile.TemporaryDirectory() as work:
                server, _, list_file = self.site([("a", "/names.html", 200, None, body)],
                                                 ["{A}/names.html"], 0, work)
                self.note(f"one page linking {count:,} distinct host names")
                self.measure(server, "pardovane (default)", self.pardovane(list_file), DEFAULT_JOBS, 0)
                server.stop()

    def cache(self, pages=10, links=100):
        routes = [("b", f"/e{n}.html", 200, None, None) for n in range(pages * links)]
        template = []
        for p in range(pages):
            body = "<html><body>\n" + "".join(
                f'<a href="{{B}}/e{p * links + k}.html">e</a>\n' for k in range(links)) + "</body></html>\n"
            routes.append(("a", f"/c/page{p}.html", 200, None, body))
            template.append("{A}" + f"/c/page{p}.html")
        # Another address, so another site than the listed pages'.
        hosts = [("a", "127.0.0.1", 20), ("b", "127.0.1.1", 20)]
        with tempfile.TemporaryDirectory() as work:
            server, _, list_file = self.site(routes, template, 20, work, hosts)
            cache = os.path.join(work, "answers")
            self.note(f"{pages} pages linking {pages * links:,} good URLs on another host, with --cache")
            for run in ("first run", "second run"):
                self.measure(server, f"pardovane --cache ({run})", self.pardovane(list_file, "--cache", cache),
                             DEFAULT_JOBS, 20)
            server.stop()

    def flaky(self, pages=10, links=20, seed=5):
        rng = random.Random(seed)
        routes, template = [], []
        for p in range(pages):
            hrefs = []
            for k in range(links):
                origin = "f" if k % 2 else "a"
                status = 404 if rng.random() < 0.1 else 200
                path = f"/p{p}/l{k}.html"
                routes.append((origin, path, status, None, None))
                hrefs.append(("{F}" if origin == "f" else "{A}") + path)
            body = "<html><body>\n" + "".join(f'<a href="{h}">l</a>\n' for h in hrefs) + "</body></html>\n"
            routes.append(("a", f"/page{p}.html", 200, None, body))
            template.append("{A}" + f"/page{p}.html")
        # 3 = the first request and its 2 retries; another address, so another site.
        hosts = [("a", "127.0.0.1", 20), ("f", "127.0.1.1", 20, "flaky=3")]
        with tempfile.TemporaryDirectory() as work:
            server, _, list_file = self.site(routes, template, 20, work, hosts)
            self.note(f"{pages} pages x {links} links, half to a host failing each path's first 3 requests: "
                      f"broken URLs should be {self.real_broken(routes)}")
            builds = [("pardovane (default)", self.args.binary)]
            if self.args.before_binary:
                builds.insert(0, ("pardovane, no second look", self.args.before_binary))
            for label, binary in builds:
                self.measure(server, label, [binary, "--format", "json", list_file], DEFAULT_JOBS, 20,
                             "pardovane")
            server.stop()

    def print(self):
        print(f"{'tool':<40} {'N':>4} {'wall s':>8} {'peak MiB':>9} {'requests':>9} {'floor s':>8} "
              f"{'vs floor':>9} {'exit':>5} {'broken':>7}")
        for row in self.rows:
            if len(row) == 1:
                print(row[0])
                continue
            name, n, wall, rss, requests, floor, code, broken = row
            ratio = f"{wall / floor:.2f}x" if floor else "-"
            print(f"{name:<40} {n:>4} {wall:>8.3f} {rss:>9.1f} {requests:>9} {floor:>8.3f} {ratio:>9} "
                  f"{code:>5} {broken:>7}")
        if not self.linkinator:
            print("linkinator is not installed (npm install -g linkinator) - comparison skipped")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default="build-bench/bin/pardovane-check")
    parser.add_argument("--server", default="build-bench/bench/fixture_server")
    parser.add_argument("--before-binary",
                        help="an earlier build to compare in the flaky and big-page scenarios")
    parser.add_argument("--scenario", nargs="*",
                        default=["one-host", "many-hosts", "limits", "memory", "big-page", "names", "cache",
                                 "flaky"])
    args = parser.parse_args()
    bench = Bench(args)
    scenarios = {"one-host": bench.one_host, "many-hosts": bench.many, "limits": bench.limits,
                 "memory": bench.memory, "big-page": bench.big_page, "names": bench.names, "cache": bench.cache,
                 "flaky": bench.flaky}
    for name in args.scenario:
        scenarios[name]()
    bench.print()


if __name__ == "__main__":
    sys.exit(main())
