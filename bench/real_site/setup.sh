#!/usr/bin/env bash
# Installs what the real-site measurement serves and builds its sites from:
# nginx, Debian's packaged HTML documentation and Jekyll with its default
# theme (all from Debian 12, so the Jekyll site builds offline). Safe to run
# again: it installs only what is missing.
set -euo pipefail

packages=(
  nginx python3
  python3.11-doc nodejs-doc postgresql-doc-15
  jekyll jekyll-theme-minima ruby-jekyll-feed ruby-jekyll-seo-tag
  libxslt1-dev libffi-dev libexpat1-dev valgrind
)

bash "$(dirname "$0")/../../scripts/setup.sh" "${packages[@]}"

# Images built for containers often drop /usr/share/doc at install time.
if [ ! -f /usr/share/doc/python3.11/html/index.html ]; then
  echo "setup: /usr/share/doc/python3.11/html is empty; this system excludes" \
       "package documentation (see /etc/dpkg/dpkg.cfg.d), so there is no site to serve" >&2
  exit 1
fi
