"""Ground truth for what a browser loads or follows from a page besides
<a href> and <img src>, and for the #fragments of links.

Resources: the tags and attributes below as Python's html.parser reads
them, the URL of a <meta http-equiv=refresh>, srcset split as HTML splits
it, and CSS url() and @import found by tinycss2 (Debian's python3-tinycss2)
in <style> elements, style attributes and linked stylesheets. A linked
stylesheet is fetched once per run; its URLs are resolved against its own
final URL and listed under every page that links it, @imports followed.

Fragments: the ids (and <a name>s) of every HTML page a link with a
#fragment points to, after redirects. A fragment is found when it equals
an id as written or percent-decoded as UTF-8; an empty fragment and "top"
in any case are always found; "#x" alone is looked up on the page itself;
targets that are not HTML are not judged.

Everything here reuses truth.py's decoding and resolution, so the a/img
lists of a page are the ones the default comparison uses."""

import collections
import re
import urllib.error
import urllib.parse
import urllib.request
from concurrent.futures import ThreadPoolExecutor

import truth
from value_syntax import (ASCII_WS, parse_style_attribute, parse_style_element, parse_stylesheet_bytes, refresh_url,
                          srcset_urls)


# (tag, attribute) -> kind, as the JSON report names them.
SIMPLE = {
    ("script", "src"): "script",
    ("source", "src"): "source",
    ("iframe", "src"): "iframe",
    ("frame", "src"): "frame",
    ("area", "href"): "area",
    ("video", "src"): "video",
    ("video", "poster"): "video",
    ("audio", "src"): "audio",
    ("track", "src"): "track",
    ("object", "data"): "object",
    ("embed", "src"): "embed",
}
SRCSET_TAGS = {"img", "source"}
# rel values that only warm up a connection: nothing is fetched from the URL.
CONNECTION_ONLY = {"preconnect", "dns-prefetch"}
HTML_TYPES = ("text/html", "application/xhtml+xml")

# One occurrence. written: the value as written in the page (for srcset
# and CSS, the URL as the splitter or tokenizer returned it); url: what is
# requested (truth.resolve's form) or None for a skipped scheme; fragment:
# None without '#'; stylesheet: the URL of the linked stylesheet it was
# found in, else None.
Link = collections.namedtuple("Link", "kind written decoded url fragment stylesheet same_page")


def fragment_of(decoded):
    value = truth.clean(decoded)
    return value.split("#", 1)[1] if "#" in value else None


def make_link(kind, written, decoded, base, stylesheet=None):
    value = truth.clean(decoded)
    return Link(kind, written, decoded, truth.resolve(decoded, base), fragment_of(decoded),
                stylesheet, value.startswith("#"))


# --- pages --------------------------------------------------------------------

class ResourceFinder(truth.LinkFinder):
    """truth.LinkFinder's a/img/base, and beside them every other resource
    in document order, the CSS of <style> elements and style attributes,
    the stylesheets linked, and the ids and <a name>s of the page."""

    def __init__(self):
        super().__init__()
        # [(kind, written, decoded)] and, for CSS, ("css", url, url, is_import).
        self.resources = []
        self.stylesheets = []      # decoded hrefs of <link rel=stylesheet>
        self.ids = set()
        self._style = None

    def handle_starttag(self, tag, attrs):
        super().handle_starttag(tag, attrs)
        raw = truth.raw_attributes(self.get_starttag_text())
        first = {}
        for (name, _), (_, raw_value) in zip(attrs, raw):
            if name not in first:
                first[name] = raw_value
        decoded = {k: truth.decode_attribute(v or "") for k, v in first.items()}
        if "id" in first and first["id"] is not None:
            self.ids.add(decoded["id"])
        if tag == "a" and first.get("name") is not None:
            self.ids.add(decoded["name"])
        self._resources_of(tag, first, decoded)
        if "style" in first and first["style"] is not None:
            for url in parse_style_attribute(decoded["style"]):
                self.resources.append(("css", url, url, False))
        if tag == "style":
            self._style = []

    def handle_startendtag(self, tag, attrs):
        # html.parser reads what follows <style/> as markup: no CSS here.
        self.handle_starttag(tag, attrs)
        self._style = None

    def _resources_of(self, tag, first, decoded):
        def add(kind, attribute):
            if first.get(attribute) is not None:
                self.resources.append((kind, first[attribute], decoded[attribute]))

        if tag == "link" and first.get("href") is not None:
            rels = decoded.get("rel", "").lower().split()
            if not rels or not set(rels) <= CONNECTION_ONLY:
                add("link", "href")
            if "stylesheet" in rels:
                self.stylesheets.append(decoded["href"])
        for attribute in ("src", "href", "data", "poster"):
            if (tag, attribute) in SIMPLE:
                add(SIMPLE[(tag, attribute)], attribute)
        if tag == "input" and decoded.get("type", "").strip(ASCII_WS).lower() == "image":
            add("input", "src")
        if tag in SRCSET_TAGS and first.get("srcset") is not None:
            for url in srcset_urls(decoded["srcset"]):
                self.resources.append(("srcset", url, url))
        if tag == "meta" and decoded.get("http-equiv", "").strip(ASCII_WS).lower() == "refresh" \
                and first.get("content") is not None:
            url = refresh_url(decoded["content"])
            if url is not None:
                self.resources.append(("meta", url, url))

    def handle_data(self, data):
        if self._style is not None:
            self._style.append(data)

    def handle_endtag(self, tag):
        if tag == "style" and self._style is not None:
            for url, is_import in parse_style_element("".join(self._style)):
                self.resources.append(("css", url, url, is_import))
            self._style = None


class Page(truth.Page):
    def __init__(self, listed):
        super().__init__(listed)
        self.resources = []        # [Link], markup first, then each stylesheet's
        self.stylesheets = []      # resolved URLs of the linked stylesheets
        self.style_imports = []    # resolved URLs @imported by <style> elements
        self.ids = set()
        self.is_html = True


def read_page(listed):
    page = truth.read_page(listed, ResourceFinder(), Page)
    if page.error:
        return page
    finder = page.finder
    page.ids = finder.ids
    for entry in finder.resources:
        link = make_link(entry[0], entry[1], entry[2], page.base)
        page.resources.append(link)
        if entry[0] == "css" and entry[3] and link.url:
            page.style_imports.append(link.url)
    page.stylesheets = [u for u in (truth.resolve(h, page.base) for h in finder.stylesheets) if u]
    return page


# --- fetching once per run ------------------------------------------------------

Answer = collections.namedtuple("Answer", "status final content_type body")


def fetch(url, keep_body):
    """Status after redirects, final URL, Content-Type and (when asked) body."""
    try:
        with urllib.request.urlopen(url, timeout=truth.TIMEOUT) as r:
            body = r.read()
            return Answer(r.status, r.geturl(), r.headers.get("Content-Type") or "",
                          body if keep_body else None)
    except urllib.error.HTTPError as e:
        return Answer(e.code, url, "", None)
    except (urllib.error.URLError, OSError, ValueError):
        return Answer(None, url, "", None)


class Stylesheets:
    """Each stylesheet fetched and parsed once: its own [(url, is_import)]
    resolved against its final URL."""

    def __init__(self, is_internal, pool):
        self.is_internal = is_internal
        self.pool = pool
        self.sheets = {}           # url -> [Link] (own URLs, imports included)

    def load(self, urls):
        pending = [u for u in dict.fromkeys(urls) if u not in self.sheets and self.is_internal(u)]
        while pending:
            answers = list(self.pool.map(lambda u: fetch(u, True), pending))
            found = []
            for url, answer in zip(pending, answers):
                links = []
                if answer.status is not None and answer.status < 400 and answer.body is not None:
                    charset = None
                    m = re.search(r"charset=([\w.:-]+)", answer.content_type, re.I)
                    if m:
                        charset = m.group(1)
                    for written, is_import in parse_stylesheet_bytes(answer.body, charset):
                        link = make_link("css", written, written, answer.final, stylesheet=url)
                        links.append((link, is_import))
                        if is_import and link.url:
                            found.append(link.url)
                self.sheets[url] = links
            pending = [u for u in dict.fromkeys(found)
                       if u not in self.sheets and self.is_internal(u)]

    def links_under(self, url, seen=None):
        """The URLs of a stylesheet and of what it imports, depth first."""
        seen = set() if seen is None else seen
        if url in seen:
            return []
        seen.add(url)
        out = []
        for link, is_import in self.sheets.get(url, []):
            out.append(link)
            if is_import and link.url:
                out.extend(self.links_under(link.url, seen))
        return out


def page_ids(body, content_type):
    finder = ResourceFinder()
    finder.feed(truth.decode_page(body, content_type))
    finder.close()
    return finder.ids


def fragment_found(fragment, ids):
    if fragment is None or fragment == "" or fragment.lower() == "top":
        return True
    if fragment in ids:
        return True
    try:
        decoded = urllib.parse.unquote(fragment, encoding="utf-8", errors="strict")
    except UnicodeDecodeError:
        return False
    return decoded in ids


class Truth:
    """The pages in list order; statuses of every internal URL; for each
    fragment target, its ids (None when it is not an HTML page)."""

    def __init__(self):
        self.pages = []
        self.statuses = {}
        self.ids = {}

    def links_of(self, page, resources):
        """[Link] of a page: the a/img list, and the resources when asked."""
        out = [make_link(tag, w, d, page.base) for tag, w, d, _ in page.links]
        if resources:
            out += page.resources
        return out

    def fragment_verdict(self, page, link):
        """True (found or not judged), False (not found), or None when the
        target itself is broken (a status failure, not a fragment one)."""
        if link.fragment is None or link.url is None:
            return True
        if link.same_page:
            return fragment_found(link.fragment, page.ids)
        status = self.statuses.get(link.url)
        if status is None or status >= 400:
            return None
        ids = self.ids.get(link.url)
        if ids is None:
            return True
        return fragment_found(link.fragment, ids)


def ground_truth(listed_urls, is_internal, resources=False, fragments=False, workers=8):
    result = Truth()
    with ThreadPoolExecutor(workers) as pool:
        result.pages = list(pool.map(read_page, listed_urls))
        if resources:
            sheets = Stylesheets(is_internal, pool)
            sheets.load([u for p in result.pages for u in p.stylesheets + p.style_imports])
            for page in result.pages:
                seen = set()
                for url in page.stylesheets + page.style_imports:
                    page.resources.extend(sheets.links_under(url, seen))
        every = [link for p in result.pages for link in result.links_of(p, resources)]
        urls = sorted({l.url for l in every if l.url and is_internal(l.url)})
        result.statuses = dict(zip(urls, pool.map(truth.status_of, urls)))
        if fragments:
            # Ids of the listed pages are known already, by the URL asked
            # and the one it ended at.
            known = {}
            for page in result.pages:
                if page.final:
                    known[truth.percent_encode(page.listed)] = page.ids
                    known[truth.percent_encode(page.final)] = page.ids
            targets = sorted({l.url for l in every
                              if l.url and is_internal(l.url) and not l.same_page
                              and l.fragment not in (None, "") and l.fragment.lower() != "top"
                              and result.statuses.get(l.url) is not None
                              and result.statuses[l.url] < 400})

            def ids_of(url):
                if url in known:
                    return known[url]
                answer = fetch(url, True)
                if answer.body is None or not answer.content_type.split(";")[0].strip().lower() \
                        in HTML_TYPES:
                    return None
                return page_ids(answer.body, answer.content_type)

            result.ids = dict(zip(targets, pool.map(ids_of, targets)))
    return result
