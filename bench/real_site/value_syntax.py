"""Where HTML and CSS values hold URLs: srcset as HTML splits it, a
<meta http-equiv=refresh> declaration, and CSS url() and @import as
tinycss2 (Debian's python3-tinycss2) tokenizes them."""

import re
import sys

try:
    import tinycss2
except ImportError:
    # Debian's package installs for the system interpreter; another python3
    # earlier on PATH (pyenv, a venv) does not see it.
    sys.path.append("/usr/lib/python3/dist-packages")
    import tinycss2

ASCII_WS = " \t\n\f\r"


# --- srcset, as HTML's "parse a srcset attribute" splits it ---------------

def srcset_urls(value):
    """The candidate URLs of a srcset, dropping those whose descriptors are
    invalid (a browser never loads them)."""
    urls = []
    pos, n = 0, len(value)
    while True:
        while pos < n and (value[pos] in ASCII_WS or value[pos] == ","):
            pos += 1
        if pos >= n:
            return urls
        start = pos
        while pos < n and value[pos] not in ASCII_WS:
            pos += 1
        url = value[start:pos]
        descriptors = []
        if url.endswith(","):
            url = url.rstrip(",")
        else:
            while pos < n and value[pos] in ASCII_WS:
                pos += 1
            current, in_parens = "", False
            while pos < n:
                c = value[pos]
                if in_parens:
                    current += c
                    if c == ")":
                        in_parens = False
                elif c in ASCII_WS:
                    if current:
                        descriptors.append(current)
                        current = ""
                elif c == ",":
                    pos += 1
                    break
                else:
                    current += c
                    if c == "(":
                        in_parens = True
                pos += 1
            if current:
                descriptors.append(current)
        if descriptors_valid(descriptors):
            urls.append(url)


_INT = re.compile(r"[0-9]+\Z")
_FLOAT = re.compile(r"-?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?\Z")


def descriptors_valid(descriptors):
    width = density = height = None
    for d in descriptors:
        number, last = d[:-1], d[-1:]
        if last == "w" and _INT.match(number) and width is None and density is None:
            width = int(number)
            if width == 0:
                return False
        elif last == "x" and _FLOAT.match(number) and width is None and density is None \
                and height is None:
            density = float(number)
            if density < 0:
                return False
        elif last == "h" and _INT.match(number) and height is None and density is None:
            height = int(number)
            if height == 0:
                return False
        else:
            return False
    return height is None or width is not None


# --- <meta http-equiv=refresh content> ------------------------------------

def refresh_url(content):
    """The URL of a refresh declaration ("5; url='x'"), or None."""
    pos, n = 0, len(content)
    while pos < n and content[pos] in ASCII_WS:
        pos += 1
    start = pos
    while pos < n and content[pos].isdigit() and content[pos].isascii():
        pos += 1
    if pos == start and not (pos < n and content[pos] == "."):
        return None
    while pos < n and (content[pos] == "." or (content[pos].isdigit() and content[pos].isascii())):
        pos += 1
    if pos < n and content[pos] not in ASCII_WS + ";,":
        return None
    while pos < n and content[pos] in ASCII_WS:
        pos += 1
    if pos < n and content[pos] in ";,":
        pos += 1
    while pos < n and content[pos] in ASCII_WS:
        pos += 1
    if pos >= n:
        return None
    rest = content[pos:]
    if rest[:3].lower() == "url":
        after = rest[3:].lstrip(ASCII_WS)
        if after.startswith("="):
            rest = after[1:].lstrip(ASCII_WS)
    if rest[:1] in ("'", '"'):
        quote = rest[0]
        rest = rest[1:]
        end = rest.find(quote)
        if end >= 0:
            rest = rest[:end]
    return rest or None


# --- CSS --------------------------------------------------------------------

def css_urls(tokens):
    """Every url() in a token list, nested blocks and functions included."""
    for token in tokens or ():
        kind = getattr(token, "type", None)
        if kind == "url":
            yield token.value
        elif kind == "function":
            if token.lower_name == "url":
                args = [a for a in token.arguments if a.type not in ("whitespace", "comment")]
                if args and args[0].type == "string":
                    yield args[0].value
            else:
                yield from css_urls(token.arguments)
        elif kind in ("() block", "[] block", "{} block"):
            yield from css_urls(token.content)


def import_url(prelude):
    for token in prelude:
        if token.type in ("whitespace", "comment"):
            continue
        if token.type in ("string", "url"):
            return token.value
        if token.type == "function" and token.lower_name == "url":
            args = [a for a in token.arguments if a.type not in ("whitespace", "comment")]
            if args and args[0].type == "string":
                return args[0].value
        return None
    return None


def stylesheet_urls(rules):
    """[(url, is_import)] of a parsed stylesheet, in order. An @import
    counts only before every other rule (after @charset, other @imports and
    @layer statements), as CSS has it; a later one is dropped whole."""
    out = []
    imports_allowed = True
    for rule in rules:
        if rule.type == "at-rule" and rule.lower_at_keyword == "import" and rule.content is None:
            if imports_allowed:
                url = import_url(rule.prelude)
                if url is not None:
                    out.append((url, True))
            continue
        if rule.type == "at-rule" and rule.lower_at_keyword == "charset":
            continue
        if rule.type == "at-rule" and rule.lower_at_keyword == "layer" and rule.content is None:
            continue
        if rule.type in ("error", "whitespace", "comment"):
            continue
        imports_allowed = False
        if rule.type == "qualified-rule":
            out.extend((u, False) for u in css_urls(rule.prelude))
            out.extend((u, False) for u in css_urls(rule.content))
        elif rule.type == "at-rule":
            out.extend((u, False) for u in css_urls(rule.prelude))
            out.extend((u, False) for u in css_urls(rule.content))
    return [(u, imp) for u, imp in out if u.strip(ASCII_WS)]


def parse_style_element(text):
    return stylesheet_urls(tinycss2.parse_stylesheet(text, skip_comments=True,
                                                     skip_whitespace=True))


def parse_style_attribute(text):
    urls = css_urls(tinycss2.parse_component_value_list(text, skip_comments=True))
    return [u for u in urls if u.strip(ASCII_WS)]


def parse_stylesheet_bytes(body, charset):
    rules, _ = tinycss2.parse_stylesheet_bytes(body, protocol_encoding=charset, skip_comments=True,
                                               skip_whitespace=True)
    return stylesheet_urls(rules)
