#!/usr/bin/env python3
"""Right answers on real sites: pardovane-check against a ground truth.

Lays out Debian's packaged HTML documentation and an offline-built Jekyll
site under one web root (see sites.py), serves it with nginx on 127.0.0.1,
lists every HTML page, computes the ground truth for the internal <a href>
and <img src> links of those pages (truth.py), runs
`pardovane-check --format json` on the same list and compares link for link.
Prints a table per site and examples of every disagreement; exits 1 when
pardovane-check raised a false alarm or missed a broken link.

Run bench/real_site/setup.sh as root first. Standard library only.
"""

import argparse
import difflib
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
import sites  # noqa: E402
import truth  # noqa: E402

REPO = os.path.dirname(os.path.dirname(HERE))


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--binary", default=os.path.join(REPO, "build/bin/pardovane-check"),
                    help="pardovane-check to measure (default: %(default)s)")
    ap.add_argument("--jobs", type=int, default=16, help="its --jobs (default 16)")
    ap.add_argument("--keep", metavar="DIR",
                    help="write the lists, both answers and every disagreement to DIR")
    ap.add_argument("--examples", type=int, default=5,
                    help="disagreements shown per kind and site (default 5)")
    ap.add_argument("--all-links", action="store_true",
                    help="let pardovane-check probe links outside the site too "
                         "(by default they are excluded when it has --exclude)")
    ap.add_argument("--every", type=int, default=1, metavar="K",
                    help="list every K-th page of each site only (default 1: all)")
    ap.add_argument("--time-limit", type=int, default=1800,
                    help="seconds after which nginx stops by itself, and the most "
                         "pardovane-check may take on one site (default 1800)")
    return ap.parse_args()


def skipped(entry):
    """Whether pardovane left the link alone (its scheme, an exclusion)."""
    return bool(entry.get("skipped"))


def align(ours, theirs):
    """Pairs occurrences of one page: the truth's (tag, written, decoded,
    url) with pardovane's entries, by the value as written, in order. Runs
    that differ but have the same length are paired position by position:
    the same links, read differently. Returns (pairs, truth only, theirs
    only) with None standing for a missing side."""
    a = [w for _, w, _, _ in ours]
    b = [entry.get("link", "") for entry in theirs]
    pairs = []
    m = difflib.SequenceMatcher(None, a, b, autojunk=False)
    for op, i1, i2, j1, j2 in m.get_opcodes():
        if op == "equal" or (op == "replace" and i2 - i1 == j2 - j1):
            pairs.extend(zip(ours[i1:i2], theirs[j1:j2]))
        else:
            pairs.extend((o, None) for o in ours[i1:i2])
            pairs.extend((None, t) for t in theirs[j1:j2])
    return pairs


class Tally:
    COLUMNS = ["links", "truly broken", "reported broken", "false alarms",
               "missed broken", "never looked at", "URL differs"]

    def __init__(self):
        # Requested as the truth's URL, but shown in the JSON before
        # percent-encoding: counted apart, not in the table.
        self.counts = dict.fromkeys(self.COLUMNS + ["URL shown unencoded"], 0)
        self.examples = {k: [] for k in ("false alarms", "missed broken", "never looked at",
                                         "URL differs", "URL shown unencoded")}

    def add(self, kind, example=None):
        self.counts[kind] += 1
        if example is not None and kind in self.examples:
            self.examples[kind].append(example)


def describe(page, ours, theirs, statuses):
    """One disagreement as a dict for the report and the kept files."""
    d = {"page": page}
    if ours is not None:
        _, written, _, url = ours
        d["written"] = written
        d["truth_url"] = url
        d["truth_status"] = statuses.get(url)
    if theirs is not None:
        d["pardovane_link"] = theirs.get("link")
        d["pardovane_url"] = theirs.get("url")
        d["pardovane_good"] = theirs.get("good")
        d["pardovane_reason"] = theirs.get("reason")
    return d


def without_fragment(url):
    # Older builds show the URL with its fragment, which is never sent.
    return url.split("#", 1)[0]


def good(status):
    return status is not None and status < 400


def compare(pages, result, statuses, is_internal):
    tally = Tally()
    for page, page_json in zip(pages, result["pages"]):
        for ours, theirs in align(page.links, page_json.get("links", [])):
            internal = ours is not None and ours[3] is not None and is_internal(ours[3])
            if theirs is not None and skipped(theirs):
                theirs = None
            theirs_internal = theirs is not None and is_internal(theirs.get("url") or "")
            if not internal and not theirs_internal:
                continue
            ex = describe(page.listed, ours, theirs, statuses)
            truly_bad = internal and not good(statuses[ours[3]])
            reported_bad = theirs is not None and not theirs.get("good")
            if internal:
                tally.add("links")
                if truly_bad:
                    tally.add("truly broken")
                if theirs is None:
                    tally.add("never looked at", ex)
                else:
                    shown = without_fragment(theirs.get("url") or "")
                    if truth.percent_encode(shown) != ours[3]:
                        tally.add("URL differs", ex)
                    elif shown != ours[3]:
                        tally.add("URL shown unencoded", ex)
            if reported_bad:
                tally.add("reported broken")
                if not truly_bad:
                    tally.add("false alarms", ex)
            if truly_bad and not reported_bad:
                tally.add("missed broken", ex)
    return tally


def outside(prefix):
    """An RE2 pattern (no look-ahead there) for URLs that do not start with prefix."""
    alternatives = [re.escape(prefix[:i]) + "[^" + re.escape(prefix[i]) + "]"
                    for i in range(len(prefix))]
    return "^(?:" + "|".join(alternatives) + ")"


def supports_exclude(binary):
    proc = subprocess.run([binary, "--help"], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=30)
    return b"--exclude" in proc.stdout


def run_pardovane(binary, jobs, list_path, limit, exclude):
    start = time.monotonic()
    command = [binary, "--format", "json", "--jobs", str(jobs)]
    if exclude:
        command += ["--exclude", exclude]
    proc = subprocess.run(command + [list_path],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=limit)
    seconds = time.monotonic() - start
    if proc.returncode not in (0, 1):
        sys.stderr.write(proc.stderr.decode("utf-8", "replace"))
        raise RuntimeError("%s exited with %d" % (binary, proc.returncode))
    return json.loads(proc.stdout.decode("utf-8")), seconds


def requests_made(access_log, offset):
    """pardovane-check's requests in nginx's log since offset: all, and distinct targets."""
    with open(access_log, "rb") as log:
        log.seek(offset)
        lines = [line.decode("utf-8", "replace") for line in log]
    targets = [line.split('"')[1] for line in lines if '"Pardovane/' in line]
    again = sorted({t for t in targets if targets.count(t) > 1})
    if again:
        print("  requested more than once: " + ", ".join(again[:10]))
    return len(targets), len(set(targets))


def table(rows):
    head = ["site", "pages"] + Tally.COLUMNS
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for name, npages, tally in rows:
        lines.append("| " + " | ".join([name, "{:,}".format(npages)] +
                                       ["{:,}".format(tally.counts[c]) for c in Tally.COLUMNS]) + " |")
    return "\n".join(lines)


def main():
    args = parse_args()
    if not os.access(args.binary, os.X_OK):
        sys.exit("no pardovane-check at %s (build it, or give --binary)" % args.binary)
    if args.keep:
        os.makedirs(args.keep, exist_ok=True)
    workdir = tempfile.mkdtemp(prefix="pardovane-real-site-")
    rows = []
    try:
        www, removed = sites.make_webroot(workdir)
        print("web root %s; removed on purpose: %s" % (www, ", ".join(removed)))
        with nginx_server.NginxServer(workdir, www, args.time_limit) as server:
            netloc = "127.0.0.1:%d" % server.port
            exclude = None
            if not args.all_links and supports_exclude(args.binary):
                # Only internal links are compared; outside links would only
                # wait on a resolver that has no network to ask.
                exclude = outside(server.origin + "/")
                print("links outside %s/ excluded from pardovane-check's run" % server.origin)

            def is_internal(url):
                parts = urllib.parse.urlsplit(url)
                return parts.scheme == "http" and parts.netloc.lower() == netloc

            for index, (name, parts) in enumerate(sites.SITES):
                listed = [server.origin + p for p in sites.pages_of(www, parts)][::args.every]
                list_path = os.path.join(args.keep or workdir, "site%d.txt" % (index + 1))
                with open(list_path, "w", encoding="utf-8") as f:
                    f.write("".join(u + "\n" for u in listed))
                start = time.monotonic()
                pages, statuses = truth.ground_truth(listed, is_internal)
                truth_seconds = time.monotonic() - start
                log_start = os.path.getsize(server.access_log)
                result, seconds = run_pardovane(args.binary, args.jobs, list_path,
                                                args.time_limit, exclude)
                requests, distinct = requests_made(server.access_log, log_start)
                tally = compare(pages, result, statuses, is_internal)
                rows.append((name, len(listed), tally))
                print("%s: %d pages, ground truth %.1f s (%d distinct internal URLs), "
                      "pardovane-check %.1f s, %d requests for %d distinct URLs"
                      % (name, len(listed), truth_seconds, len(statuses), seconds, requests, distinct))
                if args.keep:
                    keep(args.keep, index + 1, pages, statuses, result, tally)
                report_examples(name, tally, args.examples, server.origin)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    print()
    print(table(rows))
    bad = sum(t.counts["false alarms"] + t.counts["missed broken"] for _, _, t in rows)
    return 1 if bad else 0


def report_examples(name, tally, limit, origin):
    for kind, examples in tally.examples.items():
        if not examples:
            continue
        print("  %s, %s (%d), for instance:" % (name, kind, len(examples)))
        for ex in examples[:limit]:
            text = json.dumps(ex, ensure_ascii=False).replace(origin, "")
            print("    " + text)


def keep(directory, index, pages, statuses, result, tally):
    with open(os.path.join(directory, "site%d-truth.json" % index), "w", encoding="utf-8") as f:
        json.dump({"pages": [{"url": p.listed, "final": p.final, "base": p.base,
                              "error": p.error, "links": p.links} for p in pages],
                   "statuses": statuses}, f, ensure_ascii=False, indent=1)
    with open(os.path.join(directory, "site%d-pardovane.json" % index), "w", encoding="utf-8") as f:
        json.dump(result, f, ensure_ascii=False, indent=1)
    with open(os.path.join(directory, "site%d-disagreements.json" % index), "w",
              encoding="utf-8") as f:
        json.dump(tally.examples, f, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    sys.exit(main())
