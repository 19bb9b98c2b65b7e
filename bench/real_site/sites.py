"""The sites: Debian's packaged HTML documentation and a Jekyll site built
offline, laid out under one web root, with a few targets removed so that
some links are really broken."""

import os
import shutil
import subprocess
import tempfile

# Debian's nodejs-doc conflicts with NodeSource's nodejs package, so
# setup.sh unpacks it here instead of installing it where Node is not Debian's.
NODEJS_DOC = "/var/tmp/pardovane-real-site/nodejs-doc/usr/share/doc/nodejs/api"
NODE_API = ("/usr/share/doc/nodejs/api" if os.path.isfile("/usr/share/doc/nodejs/api/index.html")
            else NODEJS_DOC)

# (row name, [(path under the web root, source directory or None)]).
# None stands for the Jekyll site, which is built, not copied.
SITES = [
    ("Python 3.11 docs (Sphinx)", [("python", "/usr/share/doc/python3.11/html")]),
    ("PostgreSQL 15 docs (DocBook)", [("postgresql", "/usr/share/doc/postgresql-doc-15/html")]),
    ("Jekyll default site + Node.js API", [("", None), ("api", NODE_API)]),
    ("older doc sets (libxslt, libffi, expat, valgrind)", [
        ("doc/libxslt1-dev", "/usr/share/doc/libxslt1-dev"),
        ("doc/libffi-dev", "/usr/share/doc/libffi-dev"),
        ("doc/libexpat1-dev", "/usr/share/doc/libexpat1-dev"),
        ("doc/valgrind", "/usr/share/doc/valgrind"),
    ]),
    ("Git docs (AsciiDoc)", [("git", "/usr/share/doc/git-doc")]),
    ("libsigc++ 2.0 (Doxygen)", [("sigc", "/usr/share/doc/libsigc++-2.0-doc")]),
    # gi-docgen; Debian compresses the web fonts its fonts.css names.
    ("JSON-GLib 1.0 reference (gi-docgen)", [("json-glib", "/usr/share/doc/json-glib-1.0")]),
]

# Removed after copying: pages and images that other pages link to, and
# the index of a directory that pages link to (nginx then answers 403, as
# real servers do for a directory without an index and without listing).
REMOVED = [
    "python/library/zipapp.html",
    "python/_images/turtle-star.png",
    "python/whatsnew/index.html",
    "about/index.html",
    "api/dns.html",
    "doc/libffi-dev/html/Closure-Example.html",
    "doc/valgrind/html/images/next.png",
]

# Posts as a Jekyll user writes them: Markdown with footnotes and links into
# the other sites by root-relative path, and posts written in HTML by hand
# with the shapes links take in hand-written pages.
POSTS = {
    "2024-01-15-notes-on-node-fs.md": """---
layout: post
title: "Notes on Node's fs module"
date: 2024-01-15 10:00:00 +0000
categories: notes
---
Reading files in Node starts with [fs.readFile](/api/fs.html#fsreadfilepath-options-callback)
and the [promises API](/api/fs.html#promises-api).[^1] The
[DNS module](/api/dns.html) is another story, and [path](/api/path.html)
helps with names.

Python has [zipapp](/python/library/zipapp.html) and [zipfile](/python/library/zipfile.html);
see also the [search page](/python/search.html?q=zip&check_keywords=yes&area=default)
and the [glossary](/python/library/../glossary.html#term-file-object).

![The Python turtle star](/python/_images/turtle-star.png)
![The pathlib classes](/python/_images/pathlib-inheritance.png)

Back to the [about page]({{ "/about/" | relative_url }}) or [home](/).

[^1]: The callback form came first.
""",
    "2024-02-03-hand-written-html.html": """---
layout: post
title: "Some HTML written by hand"
date: 2024-02-03 09:30:00 +0000
categories: notes
---
<p>A post written in HTML, which Jekyll passes on as written.</p>
<p>
<a href='/python/library/functions.html'>built-in functions</a>,
<A HREF=/python/glossary.html>the glossary</A>,
<a
href="/api/path.html">path, after a line end</a>,
<a href="/python/library/stdtypes.html#str.format" title="a > b">str.format</a>,
<a href="">this page</a>, <a href="#top">the top</a>, <a href="?page=2">page two</a>,
<a href="mailto:someone@example.com">mail</a>,
<a href="/python/library/ZIPAPP.html">a wrong letter case</a>,
<a href="/doc/libffi-dev/html/">libffi's manual</a>,
<a href="/python/whatsnew/">what's new</a>,
<a href="../../../../api/os.html">os, relative</a>,
<a href="/python/genindex-Z.html#Z">index Z</a>
</p>

<img src="/doc/libxslt1-dev/html/Libxslt-Logo-90x34.gif" alt="libxslt">
<img src="/doc/valgrind/html/images/next.png" alt="next">

<script>
document.write('<a href="/not-a-link-in-script.html">x</a>');
</script>
""",
    "2024-03-10-harder-links.html": """---
layout: post
title: "Harder links, by hand"
date: 2024-03-10 08:00:00 +0000
categories: notes
---
<p>
<a href="  /python/glossary.html  ">blanks around</a>,
<a href="&#32;/python/library/os.html&#9;">blanks written as references</a>,
<a href="/python/library/func&#x74;ions.html">a numeric reference</a>,
<a href="&#47;python&#47;library&#47;io.html">slashes as references</a>,
<a href="/python/search.html?q=a&copy=1">a name without ; before =</a>,
<a href="/python/search.html?q=a&copy;b">a name with ;</a>,
<a href="/python/search.html?q=caf&eacute">a name without ; at the end</a>,
<a href="/python/search.html?q=a&ampb=1">amp before a letter</a>,
<a href="/python\\library\\os.html">backslashes</a>,
<a href="/python/li
brary/os.html">a line end inside</a>,
<a href="/python/./library/./os.html">dot segments</a>,
<a href="/python/../../../python/library/os.html">climbing above the root</a>,
<a href="/python/library/os.html?q=ü">non-ASCII in the query</a>,
<a href="/python/über.html">non-ASCII in the path</a>,
<a href="/python/library/os.html?q=a b">a space in the query</a>,
<a href="/python/library/os.html?q=%7e">a percent escape</a>,
<a href="/python/library/os.html?q=100%">a lone percent</a>,
<a href="/python/library/os.html?q={a|b}^`">braces, bar, caret, backquote</a>,
<a href="/python/library/os.html#a#b">two hashes</a>,
<a href="/python/library/os.html?">an empty query</a>,
<a href=/python/library/os.html?a=1&b=2>bare, with an ampersand</a>,
<a title="x" href="/python/library/os.html" href="/nope-second-href.html">two hrefs</a>,
<a data-href="/nope-data-href.html" href="/python/library/io.html">data-href first</a>,
<a href = "/python/library/os.html">blanks around =</a>,
<a/href="/python/library/io.html">a slash for a blank</a>,
<a href="/python/library/os.html" title='it"s > that'>quotes in quotes</a>,
<a href="JavaScript:void(0)">javascript</a>, <a href="tel:+10">tel</a>,
<a href="data:text/html,x">data</a>, <a href="SMS:+10">sms</a>,
<a href="/python/library/os.html#fn:1">a colon in the fragment</a>,
<abbr href="/nope-abbr.html">abbr</abbr>
<IMG SRC="/python/_static/py.svg" alt="upper case">
<img srcset="/nope-srcset.png 2x" src="/python/_static/py.svg" alt="srcset">
<img alt="no src">
<a>no href</a>
<a href>an href without a value</a>
</p>
<!-- <a href="/nope-in-comment.html">x</a> -->
<style>
a[href="/x"]:after { content: '<a href="/nope-in-style.html">'; }
</style>
<SCRIPT type="text/javascript">
var s = '<img src="/nope-in-script.png">';
</SCRIPT>
""",
    "2024-03-11-with-a-base.html": """---
layout: post
title: "A page with its own base"
date: 2024-03-11 08:00:00 +0000
categories: notes
---
<base href="/api/">
<base href="/python/">
<p>
<a href="fs.html">fs</a>, <a href="../python/index.html">python</a>,
<a href="#x">the base itself</a>, <a href="">empty</a>,
<a href="?q=1">a query</a>, <a href="dns.html">dns, removed</a>
</p>
""",
}


def build_jekyll(workdir, out):
    """`jekyll new` and a build, offline: the Debian-packaged theme and
    plugins are found without Bundler."""
    env = dict(os.environ, JEKYLL_NO_BUNDLER_REQUIRE="true")
    src = os.path.join(workdir, "jekyll-src")
    subprocess.run(["jekyll", "new", "--skip-bundle", src], check=True,
                   stdout=subprocess.DEVNULL, env=env, timeout=120)
    os.remove(os.path.join(src, "Gemfile"))
    for name, text in POSTS.items():
        with open(os.path.join(src, "_posts", name), "w", encoding="utf-8") as f:
            f.write(text)
    subprocess.run(["jekyll", "build", "--quiet", "-s", src, "-d", out], check=True,
                   env=env, timeout=300)


def make_webroot(workdir):
    """Lays out every site under workdir/www and returns (www, removed)."""
    return make_site_root(workdir, [part for _, parts in SITES for part in parts])


def make_site_root(workdir, parts):
    """Lays out one site alone under workdir/www, with its share of the
    removals, and returns (www, removed): for tools that crawl a whole
    origin, so that a crawl stays inside the one site."""
    www = os.path.join(workdir, "www")
    os.makedirs(www)
    for prefix, source in parts:
        dest = os.path.join(www, prefix)
        if source is None:
            build_jekyll(workdir, os.path.join(workdir, "jekyll-out"))
            shutil.copytree(os.path.join(workdir, "jekyll-out"), dest, dirs_exist_ok=True)
        else:
            shutil.copytree(source, dest, symlinks=False,
                            ignore_dangling_symlinks=True, dirs_exist_ok=True)
    removed = []
    for rel in REMOVED:
        path = os.path.join(www, rel)
        if os.path.isfile(path):
            os.remove(path)
            removed.append(rel)
    # nginx's workers may run as another user.
    for d in (workdir, www):
        os.chmod(d, 0o755)
    return www, removed


def pages_of(www, parts):
    """URL paths of every HTML page of a site, in a fixed order. An index
    page is listed by its directory, as sitemaps list it; a site's top
    directory is also listed without its slash, so that the page is reached
    through a redirect."""
    # The site at the root does not own the other sites' directories.
    others = {p.split("/")[0] for _, ps in SITES for p, _ in ps if p}
    paths = []
    for prefix, _ in parts:
        top = os.path.join(www, prefix)
        for root, dirs, files in os.walk(top):
            rel_root = os.path.relpath(root, www).replace(os.sep, "/")
            if prefix == "" and rel_root == ".":
                dirs[:] = [d for d in dirs if d not in others]
            dirs.sort()
            for name in sorted(files):
                if name.endswith(".html"):
                    rel = "/" + name if rel_root == "." else "/" + rel_root + "/" + name
                    paths.append(rel[: -len("index.html")] if name == "index.html" else rel)
        if prefix and os.path.isfile(os.path.join(top, "index.html")):
            paths.append("/" + prefix)
    return paths
