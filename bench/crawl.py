#!/usr/bin/env python3
"""Crawl benchmark: a whole site from one start page, and a folder of pages.

Scenarios (--scenario, default both):
  site    a generated site of 20,000 pages reachable from /s/p0.html on the
          fixture server at 20 ms (each page links its ten children, its
          parent and three pages at random; about 2% of links are broken,
          some go to a second origin), crawled by pardovane-check
          --recurse, linkinator --recurse and LinkChecker (with
          --check-extern, so the other origin is checked as the others
          do); wall time, requests, peak memory and the broken URLs each
          found. Then pardovane-check alone on 100,000 pages without
          latency, for peak memory.
  folder  the local-folder mode on the Python documentation as Debian
          installs it (python3.11-doc), beside linkinator on the same
          folder (which serves it itself). Links to other sites are
          skipped by both (there is no network here), so what is compared
          is the folder's own links.
"""

import argparse
import csv
import io
import json
import os
import random
import shutil
import tempfile

from fixture import FixtureServer, run_measured

DOCS = "/usr/share/doc/python3.11/html"


def generate(pages, seed=5):
    rng = random.Random(seed)
    routes = []
    for i in range(pages):
        links = [f"p{c}.html" for c in range(10 * i + 1, min(10 * i + 11, pages))]
        links.append(f"p{(i - 1) // 10}.html" if i else "p0.html")
        links += [f"p{rng.randrange(pages)}.html" for _ in range(3)]
        if rng.random() < 0.3:
            links.append(f"missing{rng.randrange(pages // 10)}.html")
        if rng.random() < 0.2:
            links.append("{B}" + f"/o{rng.randrange(50)}.html")
        body = "<html><body>\n" + "".join(f'<a href="{link}">l</a>\n' for link in links) + "</body></html>\n"
        routes.append(("a", f"/s/p{i}.html", 200, None, body))
        if i == 0:
            # The start page is also the directory's: linkinator crawls only
            # URLs that begin with the one it starts from.
            routes.append(("a", "/s/", 200, None, body))
    routes += [("b", f"/o{k}.html", 404 if k % 10 == 0 else 200, None, None) for k in range(50)]
    return routes


def broken_pardovane(out, inside=""):
    """inside: the URLs' prefix; None for a folder's own files, named by path."""
    data = json.loads(out)
    return {link["url"] for page in data["pages"] for link in page["links"]
            if not link.get("skipped") and not link["good"]
            and ("://" not in link["url"] if inside is None else link["url"].startswith(inside))}


def broken_linkinator(out, inside=""):
    data = json.loads(out)
    return {link["url"] for link in data.get("links", [])
            if link["state"] == "BROKEN" and link["url"].startswith(inside)}


def broken_linkchecker(out):
    rows = csv.reader(io.StringIO(out.decode("utf-8", "replace")), delimiter=";")
    header = None
    broken = set()
    for row in rows:
        if not row or row[0].startswith("#"):
            continue
        if header is None:
            header = row
            continue
        if len(row) == len(header):
            entry = dict(zip(header, row))
            if entry.get("valid") == "False":
                broken.add(entry.get("urlname") if "://" in entry.get("urlname", "") else entry.get("url"))
    return broken


class Bench:
    def __init__(self, args):
        self.args = args
        self.rows = []

    def measure(self, label, command, server=None, broken=None, timeout=1800):
        if server:
            server.control("reset")
        wall, rss, code, out = run_measured(command, timeout=timeout)
        if wall >= timeout:
            label += f" (stopped at {timeout} s)"
        requests = server.control("count") if server else "-"
        found = broken(out) if broken else None
        self.rows.append((label, wall, rss, requests, code, len(found) if found is not None else "-"))
        return found

    def site(self):
        for pages, latency, others in ((20_000, 20, True), (100_000, 0, False)):
            with tempfile.TemporaryDirectory() as work:
                server = FixtureServer(self.args.server, generate(pages), latency, work)
                start = server.origins[0] + "/s/"
                self.rows.append((f"{pages:,} pages from one start page, {latency} ms a request",))
                ours = self.measure("pardovane-check --recurse",
                                    [self.args.binary, "--recurse", "--format", "json", start],
                                    server, broken_pardovane)
                linkinator = shutil.which("linkinator")
                if others and linkinator:
                    theirs = self.measure("linkinator --recurse",
                                          [linkinator, start, "--recurse", "--format", "json"],
                                          server, broken_linkinator)
                    self.rows.append((f"  same broken URLs as linkinator: {ours == theirs}",))
                if others and shutil.which("linkchecker") and not self.args.no_linkchecker:
                    # At its default of 10 requests a second it needs over half an
                    # hour for 20,000 pages; what it did in ten minutes is shown.
                    self.measure("linkchecker --check-extern",
                                 ["linkchecker", "--check-extern", "--no-status", "-o", "csv", start],
                                 server, broken_linkchecker, timeout=600)
                server.stop()

    def folder(self):
        if not os.path.isdir(DOCS):
            self.rows.append((f"{DOCS} is missing (apt-get install python3.11-doc) - skipped",))
            return
        pages = sum(name.endswith((".html", ".htm")) for _, _, names in os.walk(DOCS) for name in names)
        self.rows.append((f"the Python docs as files ({pages} pages), links inside the folder",))
        # RE2 has no look-ahead: every host but site.invalid, letter by letter.
        others = "^https?://([^s]|s[^i]|si[^t]|sit[^e]|site[^.])"
        # Text costs no places; JSON counts every link's line and column.
        # (An earlier build named the folder's targets by their URL under site.invalid.)
        builds = [("", self.args.binary, None)]
        if self.args.before_binary:
            builds.insert(0, (" (before)", self.args.before_binary, "https://site.invalid/"))
        for label, binary, inside in builds:
            self.measure(f"pardovane-check DIR, text{label}", [binary, "--exclude", others, DOCS])
            self.measure(f"pardovane-check DIR, json{label}", [binary, "--format", "json", "--exclude", others, DOCS],
                         broken=lambda out, inside=inside: broken_pardovane(out, inside))
        linkinator = shutil.which("linkinator")
        if linkinator:
            self.measure("linkinator DIR --recurse",
                         [linkinator, DOCS, "--recurse", "--format", "json", "--skip", "^(?!http://localhost)"],
                         broken=lambda out: broken_linkinator(out, "http://localhost"))

    def print(self):
        print(f"{'tool':<34} {'wall s':>8} {'peak MiB':>9} {'requests':>9} {'exit':>5} {'broken':>7}")
        for row in self.rows:
            if len(row) == 1:
                print(row[0])
                continue
            name, wall, rss, requests, code, broken = row
            print(f"{name:<34} {wall:>8.2f} {rss:>9.1f} {requests:>9} {code:>5} {broken:>7}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default="build-bench/bin/pardovane-check")
    parser.add_argument("--server", default="build-bench/bench/fixture_server")
    parser.add_argument("--scenario", nargs="*", default=["site", "folder"])
    parser.add_argument("--before-binary", help="an earlier build to time beside this one on the folder")
    parser.add_argument("--no-linkchecker", action="store_true",
                        help="leave LinkChecker out (at 10 requests a second it needs half an hour here)")
    args = parser.parse_args()
    bench = Bench(args)
    for name in args.scenario:
        {"site": bench.site, "folder": bench.folder}[name]()
    bench.print()


if __name__ == "__main__":
    main()
