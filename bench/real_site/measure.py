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


def status_entries(entries):
    """The entries the a/img comparison pairs: with --resources the report
    also lists other kinds, and with --fragments a link can be bad for its
    fragment alone, which is judged apart."""
    out = []
    for entry in entries:
        if entry.get("kind", "a") not in ("a", "img"):
            continue
        if fragment_failure(entry):
            entry = dict(entry, good=True)
        out.append(entry)
    return out


def fragment_failure(entry):
    return not entry.get("good") and "fragment" in (entry.get("reason") or "").lower()


def compare(pages, result, statuses, is_internal):
    tally = Tally()
    for page, page_json in zip(pages, result["pages"]):
        for ours, theirs in align(page.links, status_entries(page_json.get("links", []))):
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


KIND_GROUP = {"source": "source/srcset", "srcset": "source/srcset"}
_CSS_URL = re.compile(r"""\Aurl\(\s*(['"]?)(.*?)\1\s*\)\Z""", re.S | re.I)


def written_keys(text):
    """The forms a link as written may take on either side: as written,
    with references decoded, cleaned, and for CSS without url() or quotes."""
    keys = [text, truth.decode_attribute(text)]
    m = _CSS_URL.match(text.strip())
    if m:
        keys.append(m.group(2))
    elif len(text) >= 2 and text[0] == text[-1] and text[0] in "'\"":
        keys.append(text[1:-1])
    keys += [truth.clean(k) for k in keys]
    return list(dict.fromkeys(keys))


def sheet_key(url):
    return truth.percent_encode(without_fragment(url)) if url else None


def match(links, entries):
    """Pairs a page's ground-truth links ([resources.Link]) with
    pardovane's entries by kind and link as written (and the stylesheet a
    CSS URL came from, where both name it); within one key, in order.
    Returns [(link or None, entry or None)]."""
    index = {}
    for i, link in enumerate(links):
        group = KIND_GROUP.get(link.kind, link.kind)
        for key in written_keys(link.written) + written_keys(link.decoded):
            for sheet in (sheet_key(link.stylesheet), "*"):
                for g in (group, "*"):
                    index.setdefault((g, key, sheet), []).append(i)
    used = [False] * len(links)
    pairs = []
    for entry in entries:
        group = KIND_GROUP.get(entry.get("kind"), entry.get("kind") or "*")
        sheet = sheet_key(entry.get("stylesheet"))
        found = None
        for s in ((sheet, "*") if sheet else ("*",)):
            for key in written_keys(entry.get("link") or ""):
                for i in index.get((group, key, s), ()):
                    if not used[i]:
                        found = i
                        break
                if found is not None:
                    break
            if found is not None:
                break
        if found is None:
            pairs.append((None, entry))
        else:
            used[found] = True
            pairs.append((links[found], entry))
    pairs.extend((link, None) for i, link in enumerate(links) if not used[i])
    return pairs


class ExtraTally(Tally):
    RESOURCE_COLUMNS = ["resources", "truly broken", "reported broken", "false alarms",
                        "missed broken", "never looked at", "URL differs"]
    FRAGMENT_COLUMNS = ["fragment links", "truly broken", "reported broken", "false alarms",
                        "missed broken", "never looked at"]

    def __init__(self, columns):
        self.COLUMNS = columns
        self.counts = dict.fromkeys(columns + ["distinct truly broken"], 0)
        self.examples = {k: [] for k in ("false alarms", "missed broken", "never looked at",
                                         "URL differs")}
        self.broken_urls = set()


def describe_extra(page, link, entry, statuses, verdict=None):
    d = {"page": page}
    if link is not None:
        d.update(kind=link.kind, written=link.written, truth_url=link.url,
                 truth_status=statuses.get(link.url))
        if link.stylesheet:
            d["stylesheet"] = link.stylesheet
        if verdict is not None:
            d["fragment_found"] = verdict
    if entry is not None:
        d.update({"pardovane_" + k: entry.get(k) for k in
                  ("kind", "link", "url", "good", "reason", "stylesheet") if k in entry})
    return d


def compare_extra(result_truth, result, is_internal, resources_on, fragments_on):
    """The resources' and the fragments' tallies of one site."""
    res = ExtraTally(ExtraTally.RESOURCE_COLUMNS)
    frag = ExtraTally(ExtraTally.FRAGMENT_COLUMNS)
    statuses = result_truth.statuses
    their_pages = result["pages"] if result else [{} for _ in result_truth.pages]
    for page, page_json in zip(result_truth.pages, their_pages):
        links = result_truth.links_of(page, resources_on)
        entries = [e for e in page_json.get("links", []) if not skipped(e)]
        for link, entry in match(links, entries):
            internal = link is not None and link.url is not None and is_internal(link.url)
            theirs_internal = entry is not None and is_internal(entry.get("url") or "")
            if not internal and not theirs_internal:
                continue
            kind = link.kind if link is not None else entry.get("kind", "a")
            if resources_on and kind not in ("a", "img"):
                truly_bad = internal and not good(statuses.get(link.url))
                reported_bad = entry is not None and not entry.get("good") \
                    and not fragment_failure(entry)
                ex = describe_extra(page.listed, link, entry, statuses)
                if internal:
                    res.add("resources")
                    if truly_bad:
                        res.add("truly broken")
                        res.broken_urls.add(link.url)
                    if entry is None:
                        res.add("never looked at", ex)
                    elif truth.percent_encode(without_fragment(entry.get("url") or "")) != link.url:
                        res.add("URL differs", ex)
                if reported_bad:
                    res.add("reported broken")
                    if not truly_bad:
                        res.add("false alarms", ex)
                if truly_bad and not reported_bad:
                    res.add("missed broken", ex)
            if fragments_on:
                has_fragment = internal and link.fragment is not None
                verdict = result_truth.fragment_verdict(page, link) if has_fragment else None
                truly_bad = has_fragment and verdict is False
                reported_bad = entry is not None and fragment_failure(entry)
                if not has_fragment and not reported_bad:
                    continue
                ex = describe_extra(page.listed, link, entry, statuses, verdict)
                if has_fragment:
                    frag.add("fragment links")
                    if entry is None:
                        frag.add("never looked at", ex)
                    if truly_bad:
                        frag.add("truly broken")
                        frag.broken_urls.add(link.url + "#" + link.fragment)
                if reported_bad:
                    frag.add("reported broken")
                    if not truly_bad:
                        frag.add("false alarms", ex)
                if truly_bad and not reported_bad:
                    frag.add("missed broken", ex)
    res.counts["distinct truly broken"] = len(res.broken_urls)
    frag.counts["distinct truly broken"] = len(frag.broken_urls)
    return res, frag


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
