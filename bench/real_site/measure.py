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
import collections
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
from comparison import Tally, good, compare, ExtraTally, compare_extra  # noqa: E402
import resources  # noqa: E402

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
    ap.add_argument("--resources", action="store_true",
                    help="also compare everything else a page loads or follows "
                         "(pardovane-check --resources, when it has it)")
    ap.add_argument("--fragments", action="store_true",
                    help="also compare the verdicts on #fragments "
                         "(pardovane-check --fragments, when it has it)")
    ap.add_argument("--truth-only", action="store_true",
                    help="compute and count the ground truth without running pardovane-check")
    ap.add_argument("--site", action="append", default=[], metavar="TEXT",
                    help="only the sites whose name contains TEXT (repeatable)")
    return ap.parse_args()


def outside(prefix):
    """An RE2 pattern (no look-ahead there) for URLs that do not start with prefix."""
    alternatives = [re.escape(prefix[:i]) + "[^" + re.escape(prefix[i]) + "]"
                    for i in range(len(prefix))]
    return "^(?:" + "|".join(alternatives) + ")"


def help_text(binary):
    proc = subprocess.run([binary, "--help"], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=30)
    return proc.stdout.decode("utf-8", "replace")


def supports_exclude(binary):
    return "--exclude" in help_text(binary)


def run_pardovane(binary, jobs, list_path, limit, exclude, options=()):
    start = time.monotonic()
    command = [binary, "--format", "json", "--jobs", str(jobs), *options]
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


def table(rows, columns=Tally.COLUMNS):
    head = ["site", "pages"] + columns
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for name, npages, tally in rows:
        lines.append("| " + " | ".join([name, "{:,}".format(npages)] +
                                       ["{:,}".format(tally.counts[c]) for c in columns]) + " |")
    return "\n".join(lines)


def main():
    args = parse_args()
    if not os.access(args.binary, os.X_OK):
        sys.exit("no pardovane-check at %s (build it, or give --binary)" % args.binary)
    if args.keep:
        os.makedirs(args.keep, exist_ok=True)
    workdir = tempfile.mkdtemp(prefix="pardovane-real-site-")
    rows, resource_rows, fragment_rows = [], [], []
    extra = args.resources or args.fragments
    options = []
    if extra and not args.truth_only:
        text = help_text(args.binary)
        for flag, wanted in (("--resources", args.resources), ("--fragments", args.fragments)):
            if wanted and flag in text:
                options.append(flag)
            elif wanted:
                print("%s has no %s: its answers on those are all 'never looked at'"
                      % (args.binary, flag))
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
                if args.site and not any(s.lower() in name.lower() for s in args.site):
                    continue
                listed = [server.origin + p for p in sites.pages_of(www, parts)][::args.every]
                list_path = os.path.join(args.keep or workdir, "site%d.txt" % (index + 1))
                with open(list_path, "w", encoding="utf-8") as f:
                    f.write("".join(u + "\n" for u in listed))
                start = time.monotonic()
                if extra:
                    found = resources.ground_truth(listed, is_internal, args.resources,
                                                   args.fragments)
                    pages, statuses = found.pages, found.statuses
                else:
                    pages, statuses = truth.ground_truth(listed, is_internal)
                truth_seconds = time.monotonic() - start
                if args.truth_only:
                    result, seconds, requests, distinct = None, 0.0, 0, 0
                else:
                    log_start = os.path.getsize(server.access_log)
                    result, seconds = run_pardovane(args.binary, args.jobs, list_path,
                                                    args.time_limit, exclude, options)
                    requests, distinct = requests_made(server.access_log, log_start)
                empty = {"pages": [{} for _ in pages]}
                tally = compare(pages, result or empty, statuses, is_internal)
                rows.append((name, len(listed), tally))
                print("%s: %d pages, ground truth %.1f s (%d distinct internal URLs), "
                      "pardovane-check %.1f s, %d requests for %d distinct URLs"
                      % (name, len(listed), truth_seconds, len(statuses), seconds, requests, distinct))
                if extra:
                    res, frag = compare_extra(found, result, is_internal,
                                              args.resources, args.fragments)
                    if args.resources:
                        resource_rows.append((name, len(listed), res))
                    if args.fragments:
                        fragment_rows.append((name, len(listed), frag))
                if args.keep:
                    keep(args.keep, index + 1, pages, statuses, result, tally)
                    if extra:
                        keep_extra(args.keep, index + 1, found, res, frag)
                if not args.truth_only:
                    report_examples(name, tally, args.examples, server.origin)
                    if args.resources:
                        report_examples(name + ", resources", res, args.examples, server.origin)
                    if args.fragments:
                        report_examples(name + ", fragments", frag, args.examples, server.origin)
                if args.truth_only and extra:
                    report_truth(name, found, res, frag, args, server.origin)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    print()
    if args.truth_only:
        print("ground truth only: pardovane-check was not run")
    print("<a href> and <img src>:")
    print(table(rows))
    if args.resources:
        print()
        print("resources (every other kind):")
        print(table(resource_rows, ExtraTally.RESOURCE_COLUMNS + ["distinct truly broken"]))
    if args.fragments:
        print()
        print("fragments (links with a #, of every kind compared):")
        print(table(fragment_rows, ExtraTally.FRAGMENT_COLUMNS + ["distinct truly broken"]))
    if args.truth_only:
        return 0
    bad = sum(t.counts["false alarms"] + t.counts["missed broken"]
              for _, _, t in rows + resource_rows + fragment_rows)
    return 1 if bad else 0


def report_truth(name, found, res, frag, args, origin):
    """What the ground truth holds broken, for a run without pardovane."""
    if args.resources:
        kinds = collections.Counter(link.kind for p in found.pages for link in p.resources
                                    if link.url in found.statuses
                                    and not good(found.statuses[link.url]))
        print("  %s: resources truly broken by kind: %s; distinct URLs, for instance: %s"
              % (name, dict(kinds), ", ".join(sorted(res.broken_urls)[:args.examples])
                 .replace(origin, "")))
    if args.fragments:
        print("  %s: fragments truly broken, distinct: %s"
              % (name, ", ".join(sorted(frag.broken_urls)[:args.examples]).replace(origin, "")))


def keep_extra(directory, index, found, res, frag):
    with open(os.path.join(directory, "site%d-truth-extra.json" % index), "w",
              encoding="utf-8") as f:
        json.dump({"pages": [{"url": p.listed, "resources": [l._asdict() for l in p.resources],
                              "ids": len(p.ids)} for p in found.pages],
                   "fragment_targets": {u: (None if ids is None else len(ids))
                                        for u, ids in found.ids.items()}},
                  f, ensure_ascii=False, indent=1)
    with open(os.path.join(directory, "site%d-disagreements-extra.json" % index), "w",
              encoding="utf-8") as f:
        json.dump({"resources": res.examples, "fragments": frag.examples}, f,
                  ensure_ascii=False, indent=1)


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
