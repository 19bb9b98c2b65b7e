"""Pardovane's JSON report paired with the ground truth, link by link:
the tallies of agreements, false alarms and misses that measure.py prints."""

import difflib
import re

import truth


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
