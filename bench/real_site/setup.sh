#!/usr/bin/env bash
# Installs what the real-site measurement serves and builds its sites from:
# nginx, Debian's packaged HTML documentation and Jekyll with its default
# theme (all from Debian 12, so the Jekyll site builds offline). Safe to run
# again: it installs only what is missing.
set -euo pipefail

packages=(
  nginx python3
  python3.11-doc postgresql-doc-15
  jekyll jekyll-theme-minima ruby-jekyll-feed ruby-jekyll-seo-tag
  libxslt1-dev libffi-dev libexpat1-dev valgrind
  git-doc libsigc++-2.0-doc libjson-glib-doc   # AsciiDoc, Doxygen, gi-docgen
  python3-tinycss2   # the CSS of the resources' ground truth
  linkchecker        # a peer in compare.py
  time               # compare.py: each tool's peak memory, measured apart from Python
)

bash "$(dirname "$0")/../../scripts/setup.sh" "${packages[@]}"

# nodejs-doc conflicts with NodeSource's nodejs (installing it removes that
# Node), so the Node.js API pages are unpacked from the package instead,
# unless Debian's own nodejs-doc is installed already.
nodedoc=/var/tmp/pardovane-real-site/nodejs-doc
if [ ! -f /usr/share/doc/nodejs/api/index.html ] && [ ! -f "$nodedoc/usr/share/doc/nodejs/api/index.html" ]; then
  mkdir -p "$nodedoc"
  (cd "$nodedoc" && apt-get download nodejs-doc && dpkg-deb -x nodejs-doc_*.deb . && rm -f nodejs-doc_*.deb)
fi

# linkinator, a peer in compare.py, from npm into bench/real_site/peers
# (with the Node it needs, as an npm package: Debian 12's is too old).
if command -v npm >/dev/null; then
  (cd "$(dirname "$0")/peers" && npm install --no-audit --no-fund --loglevel=error)
else
  echo "setup: no npm; compare.py will leave linkinator out" >&2
fi

# Images built for containers often drop /usr/share/doc at install time.
if [ ! -f /usr/share/doc/python3.11/html/index.html ]; then
  echo "setup: /usr/share/doc/python3.11/html is empty; this system excludes" \
       "package documentation (see /etc/dpkg/dpkg.cfg.d), so there is no site to serve" >&2
  exit 1
fi
