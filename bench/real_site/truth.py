"""Ground truth: the a/img links of a page as Python's html.parser finds
them, resolved by RFC 3986 (urllib.parse.urljoin) against the page's final
URL or its first <base href>, and each distinct URL judged once by a GET."""

import html
import html.entities
import html.parser
import re
import urllib.error
import urllib.parse
import urllib.request
from concurrent.futures import ThreadPoolExecutor

SKIPPED_SCHEMES = {"mailto", "javascript", "tel", "sms", "data"}
SCHEME = re.compile(r"[A-Za-z][A-Za-z0-9+.-]*:")
# Characters a browser percent-encodes before a URL goes on the wire.
ENCODED = set(' "<>\\^`{|}')
TIMEOUT = 30


class LinkFinder(html.parser.HTMLParser):
    """Collects (tag, value as written, value decoded) for the first href
    of each <a> and the first src of each <img>, and the first <base href>.
    html.parser hands over decoded values; the value as written is read from
    the tag's own text with the parser's own attribute pattern, so both
    lists line up attribute for attribute."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []
        self.base = None

    def handle_starttag(self, tag, attrs):
        wanted = {"a": "href", "img": "src", "base": "href"}.get(tag)
        if wanted is None:
            return
        raw = raw_attributes(self.get_starttag_text())
        for (name, _), (raw_name, raw_value) in zip(attrs, raw):
            assert name == raw_name
            if name != wanted:
                continue
            written = raw_value or ""
            if tag == "base":
                if self.base is None:
                    self.base = decode_attribute(written)
            else:
                self.links.append((tag, written, decode_attribute(written)))
            return

    handle_startendtag = handle_starttag


def raw_attributes(tag_text):
    """(lower-case name, value as written or None) in the order html.parser
    reads them (the loop of HTMLParser.parse_starttag, without unescaping)."""
    k = html.parser.tagfind_tolerant.match(tag_text, 1).end()
    out = []
    while k < len(tag_text):
        m = html.parser.attrfind_tolerant.match(tag_text, k)
        if not m:
            break
        name, rest, value = m.group(1, 2, 3)
        if not rest:
            value = None
        elif value[:1] == "'" == value[-1:] or value[:1] == '"' == value[-1:]:
            value = value[1:-1]
        out.append((name.lower(), value))
        k = m.end()
    return out


_CHARREF = re.compile(r"&(#[0-9]+;?|#[xX][0-9a-fA-F]+;?|[A-Za-z][A-Za-z0-9]*;?)")


def decode_attribute(value):
    """Character references decoded as HTML does in an attribute value: like
    html.unescape, except that a named reference without ';' followed by
    '=' or an alphanumeric stays as written."""
    def one(m):
        ref = m.group(1)
        if ref.startswith("#"):
            return html.unescape(m.group(0))
        if ref.endswith(";") and ref in html.entities.html5:
            return html.entities.html5[ref]
        # The longest legacy name (one without ';') that starts the run.
        for n in range(len(ref.rstrip(";")), 0, -1):
            name = ref[:n]
            if name in html.entities.html5 and not name.endswith(";"):
                after = (ref + m.string[m.end():m.end() + 1])[n:n + 1]
                if after == "=" or after.isalnum():
                    return m.group(0)
                return html.entities.html5[name] + ref[n:]
        return m.group(0)
    return _CHARREF.sub(one, value)


def clean(value):
    """What a browser's URL parser does to the input before resolving."""
    value = value.strip("".join(chr(c) for c in range(0x21)))
    return value.replace("\t", "").replace("\n", "").replace("\r", "")


def remove_dot_segments(path):
    """RFC 3986 section 5.2.4; urljoin leaves absolute links alone."""
    out = []
    segments = path.split("/")
    for i, seg in enumerate(segments):
        last = i == len(segments) - 1
        if seg == ".":
            if last:
                out.append("")
        elif seg == "..":
            if len(out) > 1:
                out.pop()
            if last:
                out.append("")
        else:
            out.append(seg)
    return "/".join(out)


def percent_encode(url):
    out = []
    for ch in url:
        if ord(ch) > 0x7E or ord(ch) < 0x21 or ch in ENCODED:
            out.extend("%%%02X" % b for b in ch.encode("utf-8"))
        else:
            out.append(ch)
    return "".join(out)


def resolve(decoded, base):
    """The URL to probe, without its fragment, or None for a skipped scheme."""
    value = clean(decoded)
    m = SCHEME.match(value)
    scheme = m.group(0)[:-1].lower() if m else ""
    if scheme in SKIPPED_SCHEMES:
        return None
    if scheme in ("", "http", "https"):
        cut = min([i for i in (value.find("?"), value.find("#")) if i >= 0] or [len(value)])
        value = value[:cut].replace("\\", "/") + value[cut:]
    reference = value.split("#", 1)[0]
    if reference.startswith("?"):
        # urljoin reads an empty query as none and keeps the base's.
        url = base.split("#", 1)[0].split("?", 1)[0] + reference
    else:
        url = urllib.parse.urljoin(base, value)
    parts = urllib.parse.urlsplit(url)
    if parts.scheme in ("http", "https"):
        parts = parts._replace(path=remove_dot_segments(parts.path) or "/",
                               netloc=parts.netloc.lower())
    url = urllib.parse.urlunsplit(parts._replace(fragment=""))
    # urlunsplit drops an empty query, which RFC 3986 keeps: "x?" is not "x".
    if not parts.query and reference.endswith("?"):
        url += "?"
    return percent_encode(url)


def decode_page(body, content_type):
    charset = None
    m = re.search(r"charset=([\w.:-]+)", content_type or "", re.I)
    if m:
        charset = m.group(1)
    else:
        m = re.search(rb"<meta[^>]+charset=[\"']?([\w.:-]+)", body[:4096], re.I)
        if m:
            charset = m.group(1).decode("ascii")
    try:
        return body.decode(charset or "utf-8", errors="replace")
    except LookupError:
        return body.decode("utf-8", errors="replace")


class Page:
    def __init__(self, listed):
        self.listed = listed
        self.final = None
        self.error = None
        self.base = None
        # [(tag, written, decoded, url or None)]
        self.links = []
        self.finder = None


def read_page(listed, finder=None, make_page=None):
    """The listed page (a Page, or what make_page makes) fetched and fed to
    finder (a LinkFinder, or one that finds more), its links resolved
    against its base. The finder stays on the page as page.finder."""
    page = (make_page or Page)(listed)
    try:
        with urllib.request.urlopen(listed, timeout=TIMEOUT) as r:
            page.final = r.geturl()
            text = decode_page(r.read(), r.headers.get("Content-Type") or "")
    except (urllib.error.URLError, OSError) as e:
        page.error = str(e)
        return page
    page.finder = finder = finder or LinkFinder()
    finder.feed(text)
    finder.close()
    page.base = page.final
    if finder.base is not None:
        page.base = urllib.parse.urljoin(page.final, clean(finder.base))
    page.links = [(tag, w, d, resolve(d, page.base)) for tag, w, d in finder.links]
    return page


def status_of(url):
    """The final status after at most 10 redirects (urllib's own limit), or
    None when there was no answer."""
    try:
        with urllib.request.urlopen(url, timeout=TIMEOUT) as r:
            r.read()
            return r.status
    except urllib.error.HTTPError as e:
        return e.code
    except (urllib.error.URLError, OSError, ValueError):
        return None


def ground_truth(listed_urls, is_internal, workers=8):
    """Pages in list order and {internal URL: status}."""
    with ThreadPoolExecutor(workers) as pool:
        pages = list(pool.map(read_page, listed_urls))
        urls = sorted({u for p in pages for _, _, _, u in p.links if u and is_internal(u)})
        statuses = dict(zip(urls, pool.map(status_of, urls)))
    return pages, statuses
